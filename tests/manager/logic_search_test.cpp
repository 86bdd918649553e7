// Search over every note: pinyin initials of Han characters (every GB2312 character has one,
// polyphonic ones have each reading's), matching (words, Chinese phrases, initials, case and
// full-width forms, text of 100,000 repeats), and gathering from a data folder (groups, hidden
// and recycled notes marked, damaged files and hostile body names giving no text, nothing
// written, one note read again after a change).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "AppPaths.h"
#include "NoteContents.h"
#include "NoteSearch.h"
#include "NoteStore.h"
#include "PinyinInitials.h"
#include "TempFolder.h"

namespace {

std::string lettersOf(uint32_t mask) {
    std::string letters;
    for (int b = 0; b < 26; ++b)
        if (mask & (uint32_t(1) << b)) letters += char('a' + b);
    return letters;
}

TEST(PinyinInitials, CharactersAndEveryReading) {
    struct Case {
        wchar_t c;
        const char* letters;
    } cases[] = {
        {L'工', "g"},  {L'作', "z"},  {L'计', "j"},   {L'划', "gh"}, {L'中', "z"},   {L'一', "y"},
        {L'行', "hx"}, {L'长', "cz"}, {L'重', "ctz"}, {L'乐', "ly"}, {L'单', "cds"}, {L'a', ""},
        {L'Z', ""},    {L'。', ""},   {0x3000, ""},   {0xFF21, ""},  // no Han
        {0x33FF, ""},  {0xA000, ""},  {0x3400, "q"},  {0x9FA5, "y"}, // the ends of the table
    };
    for (const Case& c : cases) EXPECT_EQ(lettersOf(pinyinInitials(c.c)), c.letters) << int(c.c);
}

TEST(PinyinInitials, EveryGb2312HanCharacterHasOne) {
    int checked = 0;
    for (int hi = 0xB0; hi <= 0xF7; ++hi) {
        for (int lo = 0xA1; lo <= 0xFE; ++lo) {
            const char bytes[2] = {char(hi), char(lo)};
            wchar_t c = 0;
            if (MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, 2, &c, 1) != 1) continue;
            if (c < 0x4E00 || c > 0x9FFF) continue; // the few unassigned places of row 0xD7
            ++checked;
            EXPECT_NE(pinyinInitials(c), 0u) << std::hex << hi << lo;
        }
    }
    EXPECT_EQ(checked, 6763);
}

TEST(PinyinInitials, LetterBits) {
    EXPECT_EQ(pinyinLetterBit(L'a'), 1u);
    EXPECT_EQ(pinyinLetterBit(L'Z'), 1u << 25);
    EXPECT_EQ(pinyinLetterBit(L'0'), 0u);
    EXPECT_EQ(pinyinLetterBit(0xFF41), 0u); // full-width forms are folded before
}

TEST(SearchFold, FullWidthBlankAndCase) {
    EXPECT_EQ(foldForSearch(L"ＡｂＣ１２！　Meeting 工作"), L"abc12! meeting 工作");
    EXPECT_EQ(foldForSearch(L""), L"");
}

// One note holding `text`, searched for `query`.
std::vector<NoteTextRange> rangesOf(const std::wstring& text, const std::wstring& query, bool* found) {
    NoteSearch search;
    search.add({L"C:\\d\\", L"n", L"", false, false, text});
    const auto hits = search.find(query);
    *found = !hits.empty();
    return hits.empty() ? std::vector<NoteTextRange>() : hits[0].ranges;
}

TEST(SearchMatch, QueriesOverOneNote) {
    struct Case {
        const char* what;
        const wchar_t* text;
        const wchar_t* query;
        std::vector<NoteTextRange> ranges; // empty: no match
    } cases[] = {
        {"word", L"Team Meeting at 3", L"meeting", {{5, 7}}},
        {"word in capitals", L"Team Meeting at 3", L"MEETING", {{5, 7}}},
        {"full-width query", L"Team Meeting at 3", L"ＭＥＥＴ", {{5, 4}}},
        {"full-width text", L"ＴＥＡＭ会议", L"team", {{0, 4}}},
        {"blanks around the query", L"今天的工作计划", L"  工作 ", {{3, 2}}},
        {"Chinese phrase", L"今天的工作计划", L"工作计划", {{3, 4}}},
        {"Chinese, twice", L"工作和工作", L"工作", {{0, 2}, {3, 2}}},
        {"initials", L"今天的工作计划", L"gzjh", {{3, 4}}},
        {"initials in capitals", L"今天的工作计划", L"GZJH", {{3, 4}}},
        {"initials one too many", L"工作计划", L"gzjhx", {}},
        {"initials out of order", L"工作计划", L"zgjh", {}},
        {"polyphonic 行 as h", L"银行长", L"yhz", {{0, 3}}},
        {"polyphonic 行 as x, 长 as c", L"银行长", L"yxc", {{0, 3}}},
        {"wrong initial", L"银行长", L"yhl", {}},
        {"initials and letters", L"a工作", L"agz", {{0, 3}}},
        {"Han and initials mixed: literal only", L"工作", L"工z", {}},
        {"no match across blocks", L"工作\r计划", L"zj", {}},
        {"initials inside one block", L"工作\r计划", L"jh", {{3, 2}}},
        {"literal and initials overlap", L"gz工作", L"gz", {{0, 4}}},
        {"touching matches joined", L"aaaa", L"aa", {{0, 4}}},
        {"apart matches apart", L"aabaa", L"aa", {{0, 2}, {3, 2}}},
        {"digits", L"2026年计划", L"2026", {{0, 4}}},
        {"punctuation is literal", L"a.b", L"ab", {}},
        {"surrogate pair", L"计划😀好", L"😀", {{2, 2}}},
    };
    for (const Case& c : cases) {
        bool found = false;
        const auto ranges = rangesOf(c.text, c.query, &found);
        EXPECT_EQ(found, !c.ranges.empty()) << c.what;
        EXPECT_EQ(ranges, c.ranges) << c.what;
    }
}

TEST(SearchMatch, EmptyQueryListsEveryNoteInOrder) {
    NoteSearch search;
    search.add({L"C:\\d\\", L"a", L"", false, false, L"x"});
    search.add({L"C:\\d\\", L"b", L"", true, false, L""});
    for (const wchar_t* query : {L"", L"   ", L"\x3000"}) {
        const auto hits = search.find(query);
        ASSERT_EQ(hits.size(), 2u);
        EXPECT_EQ(hits[0].entry, 0u);
        EXPECT_EQ(hits[1].entry, 1u);
        EXPECT_TRUE(hits[0].ranges.empty());
    }
}

// 100,000 repeats of one character against queries that nearly match everywhere: a search that
// backs up makes billions of comparisons here, a linear one a few hundred thousand.
TEST(SearchMatch, HostileRepeatsStayLinear) {
    const size_t n = 100000;
    NoteSearch search;
    search.add({L"C:\\d\\", L"latin", L"", false, false, std::wstring(n, L'a')});
    search.add({L"C:\\d\\", L"han", L"", false, false, std::wstring(n, L'工')});

    const auto nearLiteral = search.find(std::wstring(n / 2, L'a') + L'b');
    EXPECT_TRUE(nearLiteral.empty());
    const auto nearInitials = search.find(std::wstring(63, L'g') + L'x');
    EXPECT_TRUE(nearInitials.empty());
    const auto nearHan = search.find(std::wstring(n / 2, L'工') + L'作');
    EXPECT_TRUE(nearHan.empty());

    const auto everyHan = search.find(L"gg");
    ASSERT_EQ(everyHan.size(), 1u);
    EXPECT_EQ(everyHan[0].entry, 1u);
    EXPECT_EQ(everyHan[0].ranges, (std::vector<NoteTextRange>{{0, n}}));
    const auto everyLatin = search.find(std::wstring(n, L'A'));
    ASSERT_EQ(everyLatin.size(), 1u); // longer than any initials query: literal only
    EXPECT_EQ(everyLatin[0].ranges, (std::vector<NoteTextRange>{{0, n}}));
}

// Every file below the folder with its bytes.
void snapshotTree(const std::wstring& folder, std::map<std::wstring, std::string>& out) {
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = d.cFileName;
        if (name == L"." || name == L"..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[folder + name + L"\\"] = "<folder>";
            snapshotTree(folder + name + L"\\", out);
        } else {
            out[folder + name] = readBytes(folder + name);
        }
    } while (FindNextFileW(find, &d));
    FindClose(find);
}

class SearchGather : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = std::make_unique<TempFolder>(L"tavnote_search");
        setAppDirectoryOverride(app_->path());
        group_ = noteItems2Directory() + L"家庭\\";
        ASSERT_TRUE(CreateDirectoryW(group_.c_str(), nullptr));

        TavNoteStore n1 = note(L"n1", L"", 1);
        rich(n1, 11, {L"工作计划", L"Weekly meeting"});
        ASSERT_TRUE(notecontents::writePlainBlock(n1, 12, {0, 0, 50, 50}, L"Shopping list", 0xFF000000u));
        TavNoteStore n2 = note(L"n2", group_, 2);
        ASSERT_TRUE(notecontents::writePlainBlock(n2, 21, {0, 0, 50, 50}, L"买菜 行李", 0xFF000000u));
        TavNoteStore n3 = note(L"n3", L"", 3);
        ASSERT_TRUE(n3.SaveHidden(true));
        rich(n3, 31, {L"秘密计划"});
        TavNoteStore r1 = note(L"r1", recycleDirectory(), 4);
        ASSERT_TRUE(r1.SetGroup(L"家庭"));
        rich(r1, 41, {L"旧的会议记录"});

        // Damage of every kind: a note file cut short, a child file cut short, a body that is no
        // RTF, body names that lead elsewhere; only the sound block of "dmg" gives text.
        TavNoteStore bad = note(L"bad", L"", 5);
        rich(bad, 51, {L"坏的便签"});
        ASSERT_TRUE(writeBytes(bad.GetFilePath(), "<TavNoteItem><ID>5</ID><ChildItems><Item identify="));
        TavNoteStore dmg = note(L"dmg", L"", 6);
        rich(dmg, 61, {L"损坏的子文件"});
        ASSERT_TRUE(writeBytes(dmg.childFilePath(61), "<TavRichEditNI><ID>61</ID><rtftext>61_r"));
        rich(dmg, 62, {L"unused"});
        ASSERT_TRUE(writeBytes(dmg.childBodyPath(62), "{\\rtf1 {{{ 坏的RTF"));
        ASSERT_TRUE(writeBytes(app_->file(L"secret_rtf"), notecontents::rtfBody({L"secret"}, 0)));
        hostileBody(dmg, 63, L"..\\..\\..\\secret_rtf");
        hostileBody(dmg, 64, app_->file(L"secret_rtf"));
        hostileBody(dmg, 65, L"");
        hostileBody(dmg, 66, L"n1.xml");
        ASSERT_TRUE(notecontents::writePlainBlock(dmg, 67, {0, 0, 50, 50}, L"留下的", 0xFF000000u));
        // A folder without its note file is no note (and is not the search's to delete).
        ASSERT_TRUE(CreateDirectoryW((noteItemsDirectory() + L"stray").c_str(), nullptr));
    }
    void TearDown() override {
        setAppDirectoryOverride(L"");
        app_.reset();
    }
    TavNoteStore note(const std::wstring& unique, const std::wstring& base, int id) {
        TavNoteStore store(unique, base, id);
        EXPECT_TRUE(store.createNoteFile()) << unique;
        return store;
    }
    void rich(TavNoteStore& store, int id, const std::vector<std::wstring>& lines) {
        ASSERT_TRUE(notecontents::writeRichBlock(store, id, {0, 0, 50, 50}, notecontents::rtfBody(lines, 0)));
    }
    void hostileBody(TavNoteStore& store, int id, const std::wstring& name) {
        ASSERT_TRUE(
            notecontents::writeChildFile(store, id, L"TavRichEditNI", {0, 0, 50, 50}, {{L"rtftext", name}}));
        ASSERT_TRUE(store.AddChildRecord(id, L"TavRichEditNI"));
    }
    // The hits as "unique[group]" with h for hidden and r for recycled.
    std::set<std::wstring> found(const NoteSearch& search, const std::wstring& query) {
        std::set<std::wstring> names;
        for (const NoteSearchHit& hit : search.find(query)) {
            const NoteSearchEntry& e = search.entries()[hit.entry];
            EXPECT_FALSE(hit.ranges.empty()) << query;
            for (const NoteTextRange& r : hit.ranges) EXPECT_LE(r.start + r.length, e.text.size());
            names.insert(e.unique + L"[" + e.group + L"]" + (e.hidden ? L"h" : L"") +
                         (e.recycled ? L"r" : L""));
        }
        return names;
    }
    std::unique_ptr<TempFolder> app_;
    std::wstring group_;
};

TEST_F(SearchGather, EveryGroupHiddenAndRecycledNotesMarkedDamageSkipped) {
    std::map<std::wstring, std::string> before, after;
    snapshotTree(app_->path(), before);
    NoteSearch search;
    search.gather();
    snapshotTree(app_->path(), after);
    EXPECT_EQ(before, after); // nothing written, repaired or removed

    std::vector<std::wstring> uniques;
    for (const NoteSearchEntry& e : search.entries()) uniques.push_back(e.unique);
    EXPECT_EQ(uniques, (std::vector<std::wstring>{L"dmg", L"n1", L"n3", L"n2", L"r1"}));
    EXPECT_EQ(search.entries()[0].text, L"留下的");
    EXPECT_EQ(search.entries()[1].text, L"工作计划\rWeekly meeting\rShopping list");
    EXPECT_EQ(search.entries()[3].folder, group_);

    struct Case {
        const wchar_t* query;
        std::set<std::wstring> notes;
    } cases[] = {
        {L"meeting", {L"n1[]"}},
        {L"SHOPPING", {L"n1[]"}},
        {L"gzjh", {L"n1[]"}},
        {L"计划", {L"n1[]", L"n3[]h"}},
        {L"jh", {L"n1[]", L"n3[]h"}},
        {L"行李", {L"n2[家庭]"}},
        {L"xl", {L"n2[家庭]"}},
        {L"hl", {L"n2[家庭]"}},
        {L"会议", {L"r1[家庭]r"}},
        {L"hyjl", {L"r1[家庭]r"}},
        {L"留下", {L"dmg[]"}},
        {L"坏的", {}},
        {L"损坏", {}},
        {L"secret", {}},
        {L"unused", {}},
        {L"xyz", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(found(search, c.query), c.notes) << testing::PrintToString(c.query);
}

TEST_F(SearchGather, OneNoteReadAgainAfterAChange) {
    NoteSearch search;
    search.gather();
    const size_t count = search.entries().size();

    TavNoteStore n2(L"n2", group_, 2);
    ASSERT_TRUE(notecontents::writePlainBlock(n2, 21, {0, 0, 50, 50}, L"新的内容", 0xFF000000u));
    EXPECT_TRUE(search.refresh(group_, L"N2")); // names ignore case
    EXPECT_EQ(search.entries().size(), count);
    EXPECT_TRUE(found(search, L"行李").empty());
    EXPECT_EQ(found(search, L"xdnr"), (std::set<std::wstring>{L"n2[家庭]"}));

    TavNoteStore n4 = note(L"n4", L"", 7);
    ASSERT_TRUE(notecontents::writePlainBlock(n4, 71, {0, 0, 50, 50}, L"Project 计划", 0xFF000000u));
    EXPECT_TRUE(search.refresh(noteItemsDirectory(), L"n4"));
    EXPECT_EQ(found(search, L"project"), (std::set<std::wstring>{L"n4[]"}));

    ASSERT_TRUE(removeTree(noteItemsDirectory() + L"n1"));
    EXPECT_FALSE(search.refresh(noteItemsDirectory(), L"n1"));
    EXPECT_EQ(search.entries().size(), count);
    EXPECT_EQ(found(search, L"jh"), (std::set<std::wstring>{L"n3[]h", L"n4[]"}));

    for (const wchar_t* hostile : {L"", L"..", L"..\\n3", L"n3\\..\\n3"})
        EXPECT_FALSE(search.refresh(noteItemsDirectory(), hostile)) << hostile;
    EXPECT_FALSE(search.refresh(L"NoteItems\\", L"n3")); // a relative folder
    EXPECT_EQ(search.entries().size(), count);
}

} // namespace
