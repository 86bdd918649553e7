#pragma once
// The reminder file "prompt.xml" of a note: where it lies, the writers behind every click of the
// reminder editor, and the reader of its labels. Every operation opens the file, makes one
// find/modify/save pass and closes it; nothing is cached between operations.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class XmlDocument;

enum class ReminderLabelKind : uint32_t {
    Minute = 1,
    Hour = 2,
    Day = 3,
    Month = 4,
    Year = 5,
    Weekday = 6,
    Once = 7,
    Style = 8,
    Music = 9,
    Exec = 10,
};

struct ReminderLabel {
    ReminderLabelKind kind = ReminderLabelKind::Minute;
    std::wstring text;
    int32_t value = 0;  // the `value` attribute; for the once label the number of firings left
    uint32_t width = 0; // drawn width, filled in by the panel that measures the text
};

// One sequence per kind. Value kinds and music are kept sorted by value (a new label goes after the
// last one with a smaller or equal value); execute labels keep the order they were added in. The once
// label is a single slot.
class ReminderLabelSet {
public:
    const std::vector<ReminderLabel>& of(ReminderLabelKind kind) const;
    void insert(const ReminderLabel& label);
    void clear();
    bool hasOnce() const { return hasOnce_; }
    const ReminderLabel& once() const { return once_; }
    // Every label, kinds in the order 1 to 10.
    std::vector<ReminderLabel> all() const;

private:
    std::array<std::vector<ReminderLabel>, 11> lists_;
    ReminderLabel once_;
    bool hasOnce_ = false;
};

// Element name of a kind's container in the file ("" for the once label, which is `PromptCount`).
const wchar_t* promptContainerName(ReminderLabelKind kind);

// Note folder + "prompt.xml" ("" when the note name is not a plain file name). Computing the path
// makes no folder: a note that is gone must not come back as an empty folder. Writers make it.
std::wstring promptFilePath(const std::wstring& unique, const std::wstring& dir);

// Loads the file into `doc` with the cursor on the root `TavNotePrompt`, creating the file (with
// an `ID` of objectId) when it is missing. A file that cannot be read now is left alone (false);
// an ill-formed one is kept as "prompt.xml.bad" before a new one is started. False also for a
// path that is empty, relative or outside the data folder: nothing is written there.
bool openPromptFile(XmlDocument& doc, const std::wstring& path, int objectId);

// The writers. Each returns true when the file holds the change afterwards.
bool addPromptValueLabel(const std::wstring& path, int objectId, ReminderLabelKind kind,
                         const std::wstring& text, int value);
bool setPromptOnce(const std::wstring& path, int objectId);
bool addPromptExecFile(const std::wstring& path, int objectId, const std::wstring& name,
                       const std::wstring& filePath);
bool setPromptMusicFile(const std::wstring& path, int objectId, const std::wstring& name,
                        const std::wstring& filePath);
// Name of the GIF copy made at `now` by the window objectId: "%04d%02d%02d%02d%02d%02d%03d_%02d"
// + "_gif_" + the chosen file's name.
std::wstring promptGifCopyName(const SYSTEMTIME& now, int objectId, const std::wstring& sourceName);
// Copies the chosen GIF into the note folder and records the copy, deleting earlier copies. Nothing
// changes when the copy fails.
bool setPromptGif(const std::wstring& path, int objectId, const std::wstring& sourceFile,
                  const SYSTEMTIME& now);
bool removePromptLabel(const std::wstring& path, int objectId, ReminderLabelKind kind,
                       const std::wstring& text);
bool removePromptGif(const std::wstring& path, int objectId);
// Deletes the GIF copy and the file itself; the note's own files stay.
bool clearPromptFile(const std::wstring& path);

// Readers: a missing or unreadable file reads as no labels.
ReminderLabelSet readPromptLabels(const std::wstring& path);
// Full path of the GIF copy ("" when there is none or its recorded name is not a plain file name).
std::wstring readPromptGifPath(const std::wstring& path);
