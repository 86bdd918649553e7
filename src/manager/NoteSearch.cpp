#include "NoteSearch.h"

#include <windows.h>

#include <algorithm>
#include <bit>

#include "AppPaths.h"
#include "CRtfReader.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "ManagerFolders.h"
#include "ManagerGroups.h"
#include "NoteFormat.h"
#include "NoteStore.h"
#include "PinyinInitials.h"
#include "XmlDocument.h"

namespace {

// Longest query matched by initials: one bit per letter of a 64-bit state.
constexpr size_t kMaxInitialsQuery = 64;

std::wstring rtfBodyText(const std::wstring& path) {
    CRtfReader reader;
    if (reader.open(path) != RtfOk) return std::wstring();
    std::wstring text;
    for (const RtfCharRun& run : reader.runs()) text += run.text;
    return text;
}

// The text of one stored block; "" for a damaged child file or an unreadable body.
std::wstring blockText(const TavNoteStore& store, const TavNoteChild& child) {
    const bool rich = child.className == kRichTextChildClass;
    if (!rich && child.className != kPlainTextChildClass) return std::wstring();
    XmlDocument xml;
    if (!xml.loadFile(store.childFilePath(child.id)) || !xml.isWellFormed() ||
        !xml.findElement(child.className.c_str()) || !xml.intoElement())
        return std::wstring();
    if (!rich) return xml.findElement(L"text") ? xml.getData() : std::wstring();
    if (!xml.findElement(L"rtftext")) return std::wstring();
    const std::wstring name = xml.getData();
    if (!isRichBodyFileName(name)) return std::wstring();
    const std::wstring body = store.fileInFolder(name);
    return body.empty() || !fileExists(body) ? std::wstring() : rtfBodyText(body);
}

std::wstring lastFolderName(const std::wstring& folder) {
    std::wstring path = folder;
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path.substr(path.find_last_of(L'\\') + 1);
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// The folder's name as the file system spells it ("" when there is none).
std::wstring storedName(const std::wstring& folder, const std::wstring& name) {
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileW((folder + name).c_str(), &d);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    FindClose(find);
    return d.cFileName;
}

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Knuth–Morris–Pratt: every match is found in one pass, whatever repeats the text holds.
std::vector<size_t> failureTable(const std::wstring& pattern) {
    std::vector<size_t> fail(pattern.size(), 0);
    for (size_t i = 1, k = 0; i < pattern.size(); ++i) {
        while (k > 0 && pattern[i] != pattern[k]) k = fail[k - 1];
        if (pattern[i] == pattern[k]) ++k;
        fail[i] = k;
    }
    return fail;
}

void literalMatches(const std::wstring& text, const std::wstring& pattern, const std::vector<size_t>& fail,
                    std::vector<NoteTextRange>& out) {
    const size_t m = pattern.size();
    for (size_t j = 0, k = 0; j < text.size(); ++j) {
        while (k > 0 && text[j] != pattern[k]) k = fail[k - 1];
        if (text[j] == pattern[k]) ++k;
        if (k == m) {
            out.push_back({j + 1 - m, m});
            k = 0; // matches do not overlap
        }
    }
}

// Shift-And over letter sets: bit k of the state says the last k+1 characters match the first
// k+1 query letters. `masks[b]` holds the query positions of letter b.
void initialsMatches(const std::vector<uint32_t>& letters, const uint64_t (&masks)[26], size_t m,
                     std::vector<NoteTextRange>& out) {
    const uint64_t done = uint64_t(1) << (m - 1);
    uint64_t state = 0;
    for (size_t j = 0; j < letters.size(); ++j) {
        uint64_t accept = 0;
        for (uint32_t set = letters[j]; set != 0; set &= set - 1) accept |= masks[std::countr_zero(set)];
        state = ((state << 1) | 1) & accept;
        if (state & done) {
            out.push_back({j + 1 - m, m});
            state = 0;
        }
    }
}

// Both lists ascending; overlapping or touching ranges become one.
std::vector<NoteTextRange> merged(std::vector<NoteTextRange> a, const std::vector<NoteTextRange>& b) {
    if (b.empty()) return a;
    const size_t middle = a.size();
    a.insert(a.end(), b.begin(), b.end());
    std::inplace_merge(a.begin(), a.begin() + std::ptrdiff_t(middle), a.end(),
                       [](const NoteTextRange& x, const NoteTextRange& y) { return x.start < y.start; });
    std::vector<NoteTextRange> out;
    for (const NoteTextRange& r : a) {
        if (!out.empty() && r.start <= out.back().start + out.back().length) {
            const size_t end = std::max(out.back().start + out.back().length, r.start + r.length);
            out.back().length = end - out.back().start;
        } else {
            out.push_back(r);
        }
    }
    return out;
}

} // namespace

std::wstring foldForSearch(const std::wstring& text) {
    std::wstring out(text);
    for (wchar_t& c : out) {
        if (c >= 0xFF01 && c <= 0xFF5E)
            c = wchar_t(c - 0xFF01 + 0x21);
        else if (c == 0x3000)
            c = L' ';
    }
    if (!out.empty()) CharLowerBuffW(out.data(), DWORD(out.size()));
    return out;
}

bool readNoteSearchEntry(const std::wstring& noteFolder, const std::wstring& unique, NoteSearchEntry& entry) {
    const std::wstring folder = withSlash(noteFolder);
    // A linked folder leads outside the data folder: its notes are not ours to show.
    if (!isPlainFileName(unique) || !isAbsolutePath(folder) || isLinkPath(folder + unique) ||
        isLinkPath(folder.substr(0, folder.size() - 1)))
        return false;
    const bool system = sameFolderPath(folder, noteItemsDirectory());
    const bool recycled = !system && sameFolderPath(folder, recycleDirectory());
    TavNoteStore store(unique, system ? std::wstring() : folder, 0);
    TavNoteStore::ReadBatch batch(store);
    XmlDocument doc;
    if (!store.readDocument(doc)) return false;

    entry = NoteSearchEntry();
    entry.folder = folder;
    entry.unique = unique;
    entry.recycled = recycled;
    entry.hidden = store.LoadHidden().value_or(false);
    if (recycled)
        entry.group = store.LoadGroup().value_or(std::wstring());
    else if (!system)
        entry.group = lastFolderName(folder);
    for (const TavNoteChild& child : store.LoadChildren()) {
        const std::wstring text = blockText(store, child);
        if (text.empty()) continue;
        if (!entry.text.empty()) entry.text += L'\r';
        entry.text += text;
    }
    return true;
}

NoteSearch::Index NoteSearch::indexOf(const std::wstring& text) {
    Index index;
    index.folded = foldForSearch(text);
    index.letters.resize(index.folded.size());
    for (size_t i = 0; i < index.folded.size(); ++i) {
        const wchar_t c = index.folded[i];
        const uint32_t letter = pinyinLetterBit(c);
        index.letters[i] = letter ? letter : pinyinInitials(char32_t(c));
    }
    return index;
}

void NoteSearch::put(NoteSearchEntry entry) {
    index_.push_back(indexOf(entry.text));
    entries_.push_back(std::move(entry));
}

void NoteSearch::add(NoteSearchEntry entry) { put(std::move(entry)); }

void NoteSearch::gather() {
    entries_.clear();
    index_.clear();
    std::vector<std::wstring> folders{noteItemsDirectory()};
    const std::wstring groups = noteItems2Directory();
    for (const std::wstring& name : userGroupNames()) folders.push_back(groups + name + L"\\");
    folders.push_back(recycleDirectory());
    for (const std::wstring& folder : folders) {
        std::vector<std::wstring> names = listSubFolders(folder);
        std::sort(names.begin(), names.end());
        for (const std::wstring& unique : names) {
            NoteSearchEntry entry;
            if (readNoteSearchEntry(folder, unique, entry)) put(std::move(entry));
        }
    }
}

bool NoteSearch::refresh(const std::wstring& groupFolder, const std::wstring& unique) {
    auto same = [&](const NoteSearchEntry& e) {
        return sameFolderPath(e.folder, groupFolder) && sameName(e.unique, unique);
    };
    const auto at = std::find_if(entries_.begin(), entries_.end(), same);
    const size_t i = size_t(at - entries_.begin());
    NoteSearchEntry entry;
    // The name must be a plain one before it goes near the file system.
    const std::wstring folder = withSlash(groupFolder);
    const std::wstring name =
        isPlainFileName(unique) && isAbsolutePath(folder) ? storedName(folder, unique) : std::wstring();
    if (name.empty() || !readNoteSearchEntry(groupFolder, name, entry)) {
        if (i < entries_.size()) {
            entries_.erase(at);
            index_.erase(index_.begin() + std::ptrdiff_t(i));
        }
        return false;
    }
    if (i == entries_.size()) {
        put(std::move(entry));
    } else {
        index_[i] = indexOf(entry.text);
        entries_[i] = std::move(entry);
    }
    return true;
}

std::vector<NoteSearchHit> NoteSearch::find(const std::wstring& query) const {
    std::wstring q = foldForSearch(query);
    const size_t first = size_t(std::find_if_not(q.begin(), q.end(), isBlank) - q.begin());
    size_t last = q.size();
    while (last > first && isBlank(q[last - 1])) --last;
    q = q.substr(first, last - first);

    std::vector<NoteSearchHit> hits;
    if (q.empty()) {
        for (size_t i = 0; i < entries_.size(); ++i) hits.push_back({i, {}});
        return hits;
    }
    const std::vector<size_t> fail = failureTable(q);
    uint64_t masks[26] = {};
    bool initials = q.size() <= kMaxInitialsQuery;
    for (size_t k = 0; k < q.size() && initials; ++k) {
        const uint32_t bit = pinyinLetterBit(q[k]);
        if (bit)
            masks[std::countr_zero(bit)] |= uint64_t(1) << k;
        else
            initials = false;
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
        std::vector<NoteTextRange> literal, spelled;
        literalMatches(index_[i].folded, q, fail, literal);
        if (initials) initialsMatches(index_[i].letters, masks, q.size(), spelled);
        if (literal.empty() && spelled.empty()) continue;
        hits.push_back({i, merged(std::move(literal), spelled)});
    }
    return hits;
}
