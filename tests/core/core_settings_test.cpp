#include "Settings.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

class SettingsFiles : public ::testing::Test {
protected:
    TempFolder folder;
    std::wstring sysconfig = folder.file(L"sysconfig.xml");
    std::wstring colors = folder.file(L"customcolor.xml");
};

std::string colorItems(int count, int first) {
    std::string text = "<customcolor>\r\n";
    for (int i = 0; i < count; ++i) text += "<coloritem>" + std::to_string(first + i) + "</coloritem>\r\n";
    return text + "</customcolor>\r\n";
}

} // namespace

TEST_F(SettingsFiles, SysconfigDocuments) {
    struct Case {
        const char* what;
        const char* bytes; // nullptr: no file
        const wchar_t* face;
        int style;
        uint32_t color;
        uint32_t border;
    };
    const Case cases[] = {
        {"no file", nullptr, L"宋体", 0, 0xFE000000, 0xFFFB5A45},
        {"empty file", "", L"宋体", 0, 0xFE000000, 0xFFFB5A45},
        {"binary", "\x01\xff\xfe\x00<<>>\x80", L"宋体", 0, 0xFE000000, 0xFFFB5A45},
        {"complete",
         "<sysconfig>\r\n<deffont>\r\n<fmname>宋体</fmname>\r\n<fontstyle>3</fontstyle>\r\n"
         "<fontsize>13</fontsize>\r\n<color>-16776961</color>\r\n</deffont>\r\n<defbordermenucolor/>\r\n</"
         "sysconfig>\r\n",
         L"宋体", 3, 0xFF0000FF, 0xFFF26A00},
        {"other face, no border switch",
         "<sysconfig><deffont><fmname>Microsoft YaHei</fmname></deffont></sysconfig>", L"Microsoft YaHei", 0,
         0xFE000000, 0xFFFB5A45},
        {"empty border element still switches",
         "<sysconfig><defbordermenucolor></defbordermenucolor></sysconfig>", L"宋体", 0, 0xFE000000,
         0xFFF26A00},
        {"border before deffont is not seen",
         "<sysconfig><defbordermenucolor/><deffont><fontstyle>1</fontstyle></deffont></sysconfig>", L"宋体",
         1, 0xFE000000, 0xFFFB5A45},
        {"keys found only in order: a color before the style is not seen",
         "<sysconfig><deffont><color>255</color><fontstyle>2</fontstyle></deffont></sysconfig>", L"宋体", 2,
         0xFE000000, 0xFFFB5A45},
        {"non-numbers parse as 0",
         "<sysconfig><deffont><fontstyle>abc</fontstyle><color>x1</color></deffont></sysconfig>", L"宋体", 0,
         0, 0xFFFB5A45},
        {"leading digits count", "<sysconfig><deffont><fontstyle>12abc</fontstyle></deffont></sysconfig>",
         L"宋体", 12, 0xFE000000, 0xFFFB5A45},
        {"ill-formed keeps defaults",
         "<sysconfig><deffont><fmname>Arial</fmname><fontstyle>1</deffont></sysconfig>", L"宋体", 0,
         0xFE000000, 0xFFFB5A45},
        {"wrong root", "<config><deffont><fmname>Arial</fmname></deffont></config>", L"宋体", 0, 0xFE000000,
         0xFFFB5A45},
    };
    for (const Case& c : cases) {
        DeleteFileW(sysconfig.c_str());
        if (c.bytes) {
            ASSERT_TRUE(writeBytes(sysconfig, c.bytes));
        }
        const std::string before = readBytes(sysconfig);
        TavSettings s;
        readSysconfig(sysconfig, s);
        EXPECT_EQ(s.defaultFontFace, c.face) << c.what;
        EXPECT_EQ(s.defaultFontStyle, c.style) << c.what;
        EXPECT_EQ(s.defaultTextColor, c.color) << c.what;
        EXPECT_EQ(s.borderMenuColor, c.border) << c.what;
        EXPECT_EQ(readBytes(sysconfig), before) << c.what << ": reading never rewrites the file";
    }
}

TEST_F(SettingsFiles, HugeSysconfigLeavesDefaults) {
    std::string huge = "<sysconfig>";
    for (int i = 0; i < 200000; ++i) huge += "<x>1</x>";
    huge += "<deffont><fmname>Arial</fmname>"; // never closed
    ASSERT_TRUE(writeBytes(sysconfig, huge));
    TavSettings s;
    readSysconfig(sysconfig, s);
    EXPECT_EQ(s.defaultFontFace, L"宋体");
}

TEST_F(SettingsFiles, CustomColorTables) {
    struct Case {
        const char* what;
        int items;
        bool read;
        int lastFilled; // slots 0..lastFilled take first+i, the rest keep 7
    };
    const Case cases[] = {
        {"twenty items fill sixteen slots", 20, true, 15},
        {"three items fill three slots", 3, true, 2},
        {"no items", 0, true, -1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeBytes(colors, colorItems(c.items, 100)));
        TavSettings s;
        s.customColors.fill(7);
        EXPECT_EQ(readCustomColors(colors, s), c.read) << c.what;
        for (int slot = 0; slot < 16; ++slot)
            EXPECT_EQ(s.customColors[slot], slot <= c.lastFilled ? COLORREF(100 + slot) : COLORREF(7))
                << c.what << " slot " << slot;
    }
}

TEST_F(SettingsFiles, MissingOrDamagedColorFileIsNotRead) {
    TavSettings s;
    s.customColors.fill(7);
    EXPECT_FALSE(readCustomColors(colors, s));
    ASSERT_TRUE(writeBytes(colors, "<customcolor><coloritem>1</coloritem>"));
    EXPECT_FALSE(readCustomColors(colors, s));
    EXPECT_EQ(s.customColors[0], COLORREF(7));
}

TEST_F(SettingsFiles, SaveWritesExactlySixteenItems) {
    ASSERT_TRUE(writeBytes(colors, colorItems(20, 1)));
    TavSettings s;
    for (int i = 0; i < 16; ++i) s.customColors[i] = COLORREF(i == 3 ? 0x00FFFFFF : i);
    ASSERT_TRUE(writeCustomColors(colors, s));
    std::string expected = "<customcolor>\r\n";
    for (int i = 0; i < 16; ++i)
        expected += "<coloritem>" + std::to_string(i == 3 ? 0x00FFFFFF : i) + "</coloritem>\r\n";
    expected += "</customcolor>\r\n";
    EXPECT_EQ(readBytes(colors), expected);

    TavSettings back;
    ASSERT_TRUE(readCustomColors(colors, back));
    EXPECT_EQ(back.customColors, s.customColors);
}

TEST_F(SettingsFiles, SaveIntoMissingFileCreatesIt) {
    TavSettings s;
    ASSERT_TRUE(writeCustomColors(colors, s));
    TavSettings back;
    back.customColors.fill(9);
    ASSERT_TRUE(readCustomColors(colors, back));
    EXPECT_EQ(back.customColors, s.customColors);
}

TEST_F(SettingsFiles, DamagedColorFileIsKeptBesideItsSuccessor) {
    const std::string damaged = "<customcolor><coloritem>5</coloritem>";
    ASSERT_TRUE(writeBytes(colors, damaged));
    TavSettings s;
    ASSERT_TRUE(writeCustomColors(colors, s));
    EXPECT_EQ(readBytes(colors + L".bad"), damaged);
    TavSettings back;
    EXPECT_TRUE(readCustomColors(colors, back));
}

TEST_F(SettingsFiles, LockedColorFileIsNotReplaced) {
    const std::string original = colorItems(16, 50);
    ASSERT_TRUE(writeBytes(colors, original));
    HANDLE lock =
        CreateFileW(colors.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    TavSettings s;
    EXPECT_FALSE(writeCustomColors(colors, s));
    CloseHandle(lock);
    EXPECT_EQ(readBytes(colors), original);
}
