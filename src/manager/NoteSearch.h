#pragma once
// Search over every note for the manager's search box: the text of each note (its rich and plain
// text blocks) is read once and kept in memory with what matching needs, so that each keystroke
// is a scan of memory. A query matches literally (Latin letters without regard to case, full-width
// and half-width forms alike) and, when it is made of Latin letters only, also by pinyin initials
// ("gzjh" finds "工作计划"): each letter matches one character in a row, a Han character by any of
// its readings' initials, a Latin letter by itself (so "agz" finds "a工作" too). Reading never
// writes: a damaged or unreadable file gives no text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct NoteTextRange {
    size_t start = 0;
    size_t length = 0;
    bool operator==(const NoteTextRange&) const = default;
};

struct NoteSearchEntry {
    std::wstring folder; // the group folder holding the note, ending in a backslash
    std::wstring unique; // the note's folder name
    // "" for the system group, the group's name for a user group; in the recycle bin the group
    // the note came from (its `group` element).
    std::wstring group;
    bool hidden = false;
    bool recycled = false;
    // The text of every text block in the note's child order, one "\r" between blocks
    // (paragraphs end in "\r" as the RTF reader gives them).
    std::wstring text;
};

struct NoteSearchHit {
    size_t entry = 0; // index into NoteSearch::entries()
    std::vector<NoteTextRange>
        ranges; // ascending and apart (touching matches joined); none for an empty query
};

// The form in which text is compared: full-width ASCII forms and the ideographic space as their
// ASCII counterparts, then lower case. Same length as the text, character for character.
std::wstring foldForSearch(const std::wstring& text);

// The text of a stored note's text blocks (see NoteSearchEntry::text); false when the note file
// is missing or damaged. `noteFolder` is the group folder (system group, user group or recycle bin).
bool readNoteSearchEntry(const std::wstring& noteFolder, const std::wstring& unique, NoteSearchEntry& entry);

class NoteSearch {
public:
    // Reads every note: the system group, each user group (linked folders left out), then the
    // recycle bin. Replaces what was gathered before.
    void gather();
    // Reads one note again after it changed (or was added); a note that can no longer be read
    // leaves the list. True when the note is listed afterwards. Indexes of earlier hits are
    // invalid after any change.
    bool refresh(const std::wstring& groupFolder, const std::wstring& unique);
    // Adds an entry as it is (also for tests and benchmarks without files).
    void add(NoteSearchEntry entry);

    const std::vector<NoteSearchEntry>& entries() const { return entries_; }

    // The notes that match, in the order of entries(). Blanks around the query are ignored; an
    // empty query matches every note with no ranges. Linear in the gathered text for any query.
    std::vector<NoteSearchHit> find(const std::wstring& query) const;

private:
    // What matching reads, parallel to entries_.
    struct Index {
        std::wstring folded;
        // Per character: the pinyin initials of a Han character, the letter bit of a Latin letter,
        // else 0 (see PinyinInitials.h).
        std::vector<uint32_t> letters;
    };
    static Index indexOf(const std::wstring& text);
    void put(NoteSearchEntry entry);

    std::vector<NoteSearchEntry> entries_;
    std::vector<Index> index_;
};
