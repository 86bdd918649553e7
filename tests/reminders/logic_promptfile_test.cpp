// The reminder file of a note: where it lies, what each writer leaves in it byte for byte, the
// sorted label sequences read back, and the cases where nothing may be written or deleted.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "PromptFile.h"
#include "TavTestEnvironment.h"
#include "TempFolder.h"

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(
    new TavTestEnvironment(L"promptfile", TavTestEnvironment::Folder::Plain));

constexpr int kEditorId = 20100;
const std::wstring kUnique = L"20261207043355123_100001";

// Bytes as the program writes them: a file begun with ASCII text is read back, and kept, as UTF-8.
std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

SYSTEMTIME sampleTime(int millisecond) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 7;
    t.wHour = 4;
    t.wMinute = 33;
    t.wSecond = 55;
    t.wMilliseconds = WORD(millisecond);
    return t;
}

std::vector<int> valuesOf(const ReminderLabelSet& set, ReminderLabelKind kind) {
    std::vector<int> values;
    for (const ReminderLabel& l : set.of(kind)) values.push_back(l.value);
    return values;
}

std::vector<std::wstring> textsOf(const ReminderLabelSet& set, ReminderLabelKind kind) {
    std::vector<std::wstring> texts;
    for (const ReminderLabel& l : set.of(kind)) texts.push_back(l.text);
    return texts;
}

} // namespace

class PromptFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        app_ = TavTestEnvironment::freshFolder(L"app" + std::to_wstring(++counter));
        ASSERT_TRUE(pathExists(app_));
        setAppDirectoryOverride(app_);
        path_ = promptFilePath(kUnique, L"");
        ASSERT_FALSE(path_.empty());
        folder_ = noteFolder(kUnique);
        // The note's own file, which no reminder operation may touch.
        ASSERT_TRUE(writeBytes(folder_ + kUnique + L".xml", "<TavNoteItem>\r\n</TavNoteItem>\r\n"));
        gifSource_ = app_ + L"swing.gif";
        ASSERT_TRUE(writeBytes(gifSource_, "GIF89a-one"));
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        removeTree(app_);
    }
    std::string bytes() const { return readBytes(path_); }
    void startAfresh() const { DeleteFileW(path_.c_str()); }

    std::wstring app_, path_, folder_, gifSource_;
};

TEST_F(PromptFileTest, ThePathMakesNoFolder) {
    const std::wstring path = promptFilePath(L"20261207043355124_100002", L"");
    EXPECT_EQ(path, noteItemsDirectory() + L"20261207043355124_100002\\prompt.xml");
    EXPECT_FALSE(pathExists(noteItemsDirectory() + L"20261207043355124_100002"));
    const std::wstring group = dataDirectory() + L"work";
    EXPECT_EQ(promptFilePath(L"n1", group), group + L"\\n1\\prompt.xml");
    EXPECT_FALSE(pathExists(group));
    EXPECT_EQ(promptFilePath(L"..\\x", L""), L"");
    EXPECT_EQ(promptFilePath(L"", L""), L"");
}

TEST_F(PromptFileTest, TheExampleReminderHasTheFormatsBytes) {
    const wchar_t* const weekdays[] = {L"周一", L"周二", L"周三", L"周四", L"周五"};
    ASSERT_TRUE(addPromptValueLabel(path_, kEditorId, ReminderLabelKind::Minute, L"30分", 30));
    ASSERT_TRUE(addPromptValueLabel(path_, kEditorId, ReminderLabelKind::Hour, L"8时", 8));
    for (int d = 0; d < 5; ++d)
        ASSERT_TRUE(addPromptValueLabel(path_, kEditorId, ReminderLabelKind::Weekday, weekdays[d], d + 1));
    ASSERT_TRUE(addPromptValueLabel(path_, kEditorId, ReminderLabelKind::Style, L"晃动", 2));
    ASSERT_TRUE(setPromptMusicFile(path_, kEditorId, L"ding.wav", L"C:\\media\\ding.wav"));
    std::wstring expected =
        L"<TavNotePrompt>\r\n<ID>20100</ID>\r\n<Minute>\r\n<item value=\"30\">30分</item>\r\n"
        L"</Minute>\r\n<Hour>\r\n<item value=\"8\">8时</item>\r\n</Hour>\r\n<Week>\r\n";
    for (int d = 0; d < 5; ++d)
        expected += L"<item value=\"" + std::to_wstring(d + 1) + L"\">" + weekdays[d] + L"</item>\r\n";
    expected +=
        L"</Week>\r\n<Style>\r\n<item value=\"2\">晃动</item>\r\n</Style>\r\n<MusicFile>\r\n"
        L"<item FilePath=\"C:\\media\\ding.wav\">ding.wav</item>\r\n</MusicFile>\r\n</TavNotePrompt>\r\n";
    EXPECT_EQ(bytes(), utf8(expected));
}

// Each step runs on a fresh note; `check` looks at the file and the labels read back.
struct EditCase {
    const char* name;
    std::function<void(const std::wstring& path)> steps;
    std::function<void(const std::wstring& path, const ReminderLabelSet& labels)> check;
};

TEST_F(PromptFileTest, EditsLeaveTheLabelsTheUserSees) {
    const EditCase cases[] = {
        {"the same minute twice is stored once",
         [](const std::wstring& p) {
             addPromptValueLabel(p, kEditorId, ReminderLabelKind::Minute, L"5分", 5);
             addPromptValueLabel(p, kEditorId, ReminderLabelKind::Minute, L"5分", 5);
         },
         [](const std::wstring& p, const ReminderLabelSet& l) {
             EXPECT_EQ(valuesOf(l, ReminderLabelKind::Minute), std::vector<int>{5});
             std::string b = readBytes(p), item = utf8(L">5分</item>");
             EXPECT_EQ(b.find(item), b.rfind(item));
         }},
        {"minutes are shown in value order",
         [](const std::wstring& p) {
             addPromptValueLabel(p, kEditorId, ReminderLabelKind::Minute, L"30分", 30);
             addPromptValueLabel(p, kEditorId, ReminderLabelKind::Minute, L"1分", 1);
             addPromptValueLabel(p, kEditorId, ReminderLabelKind::Minute, L"5分", 5);
         },
         [](const std::wstring&, const ReminderLabelSet& l) {
             EXPECT_EQ(valuesOf(l, ReminderLabelKind::Minute), (std::vector<int>{1, 5, 30}));
         }},
        {"a second music file replaces the first",
         [](const std::wstring& p) {
             setPromptMusicFile(p, kEditorId, L"a.wav", L"C:\\a.wav");
             setPromptMusicFile(p, kEditorId, L"b.mp3", L"C:\\b.mp3");
         },
         [](const std::wstring& p, const ReminderLabelSet& l) {
             EXPECT_EQ(textsOf(l, ReminderLabelKind::Music), std::vector<std::wstring>{L"b.mp3"});
             EXPECT_EQ(readBytes(p).find("a.wav"), std::string::npos);
         }},
        {"execute files keep the order they were added in, duplicates by text once",
         [](const std::wstring& p) {
             addPromptExecFile(p, kEditorId, L"z.txt", L"C:\\z.txt");
             addPromptExecFile(p, kEditorId, L"a.exe", L"C:\\a.exe");
             addPromptExecFile(p, kEditorId, L"z.txt", L"D:\\other\\z.txt");
         },
         [](const std::wstring& p, const ReminderLabelSet& l) {
             EXPECT_EQ(textsOf(l, ReminderLabelKind::Exec), (std::vector<std::wstring>{L"z.txt", L"a.exe"}));
             EXPECT_EQ(readBytes(p).find("D:\\other"), std::string::npos);
         }},
        {"removing the once label removes the count",
         [](const std::wstring& p) {
             setPromptOnce(p, kEditorId);
             setPromptOnce(p, kEditorId);
             removePromptLabel(p, kEditorId, ReminderLabelKind::Once, L"一次");
         },
         [](const std::wstring& p, const ReminderLabelSet& l) {
             EXPECT_FALSE(l.hasOnce());
             EXPECT_EQ(readBytes(p).find("PromptCount"), std::string::npos);
         }},
        {"the once label reads its count", [](const std::wstring& p) { setPromptOnce(p, kEditorId); },
         [](const std::wstring&, const ReminderLabelSet& l) {
             ASSERT_TRUE(l.hasOnce());
             EXPECT_EQ(l.once().text, L"一次");
             EXPECT_EQ(l.once().value, 1);
         }},
        {"removing a label keeps the others; a gone label changes nothing",
         [](const std::wstring& p) {
             addPromptValueLabel(p, kEditorId, ReminderLabelKind::Hour, L"8时", 8);
             addPromptValueLabel(p, kEditorId, ReminderLabelKind::Hour, L"9时", 9);
             removePromptLabel(p, kEditorId, ReminderLabelKind::Hour, L"8时");
             removePromptLabel(p, kEditorId, ReminderLabelKind::Hour, L"8时");
             removePromptLabel(p, kEditorId, ReminderLabelKind::Day, L"3日");
         },
         [](const std::wstring&, const ReminderLabelSet& l) {
             EXPECT_EQ(valuesOf(l, ReminderLabelKind::Hour), std::vector<int>{9});
             EXPECT_TRUE(l.of(ReminderLabelKind::Day).empty());
         }},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        c.steps(path_);
        c.check(path_, readPromptLabels(path_));
    }
}

TEST_F(PromptFileTest, AHandWrittenFileReadsInAnyOrderWithMissingValuesAsZero) {
    ASSERT_TRUE(writeBytes(path_, utf8(L"<TavNotePrompt><Week><item value=\"7\">周日</item></Week>"
                                       L"<Hour><item>0时</item><item value=\"x\">bad</item></Hour>"
                                       L"<Minute><item value=\"45\">45分</item><item/></Minute>"
                                       L"<PromptCount>3</PromptCount></TavNotePrompt>")));
    const ReminderLabelSet l = readPromptLabels(path_);
    EXPECT_EQ(valuesOf(l, ReminderLabelKind::Hour), (std::vector<int>{0, 0}));
    EXPECT_EQ(valuesOf(l, ReminderLabelKind::Minute), (std::vector<int>{0, 45}));
    EXPECT_EQ(valuesOf(l, ReminderLabelKind::Weekday), std::vector<int>{7});
    EXPECT_EQ(l.once().value, 3);
    EXPECT_EQ(l.all().size(), 6u);
}

TEST_F(PromptFileTest, ASecondGifDeletesTheFirstCopyAndClearKeepsTheNote) {
    ASSERT_TRUE(setPromptGif(path_, kEditorId, gifSource_, sampleTime(1)));
    const std::wstring first = folder_ + L"20261207043355001_20100_gif_swing.gif";
    EXPECT_EQ(readPromptGifPath(path_), first);
    EXPECT_EQ(readBytes(first), "GIF89a-one");
    ASSERT_TRUE(setPromptGif(path_, kEditorId, gifSource_, sampleTime(2)));
    const std::wstring second = folder_ + L"20261207043355002_20100_gif_swing.gif";
    EXPECT_FALSE(pathExists(first));
    EXPECT_TRUE(pathExists(second));
    EXPECT_EQ(readPromptGifPath(path_), second);
    EXPECT_TRUE(pathExists(gifSource_));

    ASSERT_TRUE(clearPromptFile(path_));
    EXPECT_FALSE(pathExists(second));
    EXPECT_FALSE(pathExists(path_));
    EXPECT_TRUE(pathExists(folder_ + kUnique + L".xml"));
    EXPECT_TRUE(readPromptLabels(path_).all().empty());
    EXPECT_TRUE(clearPromptFile(path_)); // already gone
}

TEST_F(PromptFileTest, AGifThatCannotBeCopiedChangesNothing) {
    ASSERT_TRUE(setPromptGif(path_, kEditorId, gifSource_, sampleTime(1)));
    const std::string before = bytes();
    EXPECT_FALSE(setPromptGif(path_, kEditorId, app_ + L"missing.gif", sampleTime(2)));
    EXPECT_EQ(bytes(), before);
    EXPECT_TRUE(pathExists(folder_ + L"20261207043355001_20100_gif_swing.gif"));
}

TEST_F(PromptFileTest, GifNamesThatLeaveTheNoteFolderAreNeverDeleted) {
    const std::wstring canary = noteItemsDirectory() + L"canary.gif";
    const std::wstring outside = app_ + L"outside.gif";
    struct Hostile {
        const char* name;
        std::wstring recorded;
    };
    const Hostile cases[] = {
        {"parent step", L"..\\canary.gif"},
        {"absolute path", outside},
        {"empty", L""},
    };
    for (const Hostile& h : cases) {
        SCOPED_TRACE(h.name);
        ASSERT_TRUE(writeBytes(canary, "canary"));
        ASSERT_TRUE(writeBytes(outside, "outside"));
        ASSERT_TRUE(writeBytes(path_, utf8(L"<TavNotePrompt>\r\n<GifFile>\r\n<item>" + h.recorded +
                                           L"</item>\r\n</GifFile>\r\n</TavNotePrompt>\r\n")));
        EXPECT_EQ(readPromptGifPath(path_), L"");
        EXPECT_TRUE(setPromptGif(path_, kEditorId, gifSource_, sampleTime(3)));
        EXPECT_EQ(readPromptGifPath(path_), folder_ + L"20261207043355003_20100_gif_swing.gif");
        EXPECT_EQ(readBytes(canary), "canary");
        EXPECT_EQ(readBytes(outside), "outside");

        ASSERT_TRUE(writeBytes(path_, utf8(L"<TavNotePrompt>\r\n<GifFile>\r\n<item>" + h.recorded +
                                           L"</item>\r\n</GifFile>\r\n</TavNotePrompt>\r\n")));
        EXPECT_TRUE(removePromptGif(path_, kEditorId));
        EXPECT_EQ(readBytes(canary), "canary");
        ASSERT_TRUE(writeBytes(path_, utf8(L"<TavNotePrompt>\r\n<GifFile>\r\n<item>" + h.recorded +
                                           L"</item>\r\n</GifFile>\r\n</TavNotePrompt>\r\n")));
        EXPECT_TRUE(clearPromptFile(path_));
        EXPECT_FALSE(pathExists(path_));
        EXPECT_EQ(readBytes(canary), "canary");
        EXPECT_EQ(readBytes(outside), "outside");
    }
}

TEST_F(PromptFileTest, PathsOutsideTheDataFolderAreNeverWritten) {
    TempFolder elsewhere(L"tavprompt_outside");
    const std::wstring outsidePrompt = elsewhere.file(L"prompt.xml");
    ASSERT_TRUE(writeBytes(outsidePrompt, "<TavNotePrompt/>"));
    struct Bad {
        const char* name;
        std::wstring path;
    };
    const Bad cases[] = {
        {"empty", L""},
        {"relative", L"n1\\prompt.xml"},
        {"outside the data folder", outsidePrompt},
        {"parent step out", noteItemsDirectory() + L"..\\..\\prompt.xml"},
        {"not the prompt file", folder_ + kUnique + L".xml"},
    };
    for (const Bad& b : cases) {
        SCOPED_TRACE(b.name);
        EXPECT_FALSE(addPromptValueLabel(b.path, kEditorId, ReminderLabelKind::Minute, L"1分", 1));
        EXPECT_FALSE(setPromptOnce(b.path, kEditorId));
        EXPECT_FALSE(setPromptGif(b.path, kEditorId, gifSource_, sampleTime(4)));
        EXPECT_FALSE(clearPromptFile(b.path));
    }
    EXPECT_EQ(readBytes(outsidePrompt), "<TavNotePrompt/>");
    EXPECT_EQ(readBytes(folder_ + kUnique + L".xml"), "<TavNoteItem>\r\n</TavNoteItem>\r\n");
    EXPECT_FALSE(pathExists(app_ + L"prompt.xml"));
    EXPECT_FALSE(pathExists(app_ + L"n1"));
}

TEST_F(PromptFileTest, ADamagedFileIsKeptAsBadBeforeANewOneStarts) {
    const std::string damaged = "<TavNotePrompt><Minute><item value=\"5\">5";
    ASSERT_TRUE(writeBytes(path_, damaged));
    EXPECT_TRUE(readPromptLabels(path_).all().empty());
    EXPECT_EQ(bytes(), damaged); // reading writes nothing
    ASSERT_TRUE(addPromptValueLabel(path_, kEditorId, ReminderLabelKind::Hour, L"8时", 8));
    EXPECT_EQ(readBytes(path_ + L".bad"), damaged);
    EXPECT_EQ(valuesOf(readPromptLabels(path_), ReminderLabelKind::Hour), std::vector<int>{8});
}

TEST_F(PromptFileTest, AFileThatCannotBeReadIsNeverReplaced) {
    ASSERT_TRUE(addPromptValueLabel(path_, kEditorId, ReminderLabelKind::Hour, L"8时", 8));
    const std::string before = bytes();
    HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(addPromptValueLabel(path_, kEditorId, ReminderLabelKind::Minute, L"1分", 1));
    EXPECT_FALSE(setPromptMusicFile(path_, kEditorId, L"a.wav", L"C:\\a.wav"));
    EXPECT_FALSE(setPromptGif(path_, kEditorId, gifSource_, sampleTime(5)));
    CloseHandle(held);
    EXPECT_EQ(bytes(), before);
    EXPECT_FALSE(pathExists(path_ + L".bad"));
    EXPECT_FALSE(pathExists(folder_ + L"20261207043355005_20100_gif_swing.gif"));
}
