// Writing on notes, end to end: TavNote.exe in a fresh installation, driven with real pointer and
// key input. A double-click starts a rich text block that keeps Latin, bold and Chinese text in its
// RTF body; an empty block leaves nothing behind; Shift+Enter continues below; a row icon shifts the
// text; a picture comes through "添加图像...", grows from each corner and goes with "删除"; a plain
// block's opacity changes only the alpha of its color. Every check reads the note files, and every
// screenshot is kept beside the test executable.
#include "DefectsDriver.h"
#include "NoteContents.h"

#include <gtest/gtest.h>

#include <cctype>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "AppPaths.h"
#include "NoteFormat.h"
#include "NoteStore.h"
#include "ScrollMath.h"
#include "TavNoteMenu.h"
#include "TavRichEditNIMenu.h"
#include "XmlDocument.h"

using defects::describe;
using desk::centreOf;
using desk::rectOf;

namespace {

// ---- the files ------------------------------------------------------------------------------

// One element under the root of an XML file; nothing when the file or the element is missing.
std::optional<std::wstring> elementOf(const std::wstring& file, const wchar_t* root, const wchar_t* name) {
    XmlDocument doc;
    if (!doc.loadFile(file) || !doc.findElement(root) || !doc.intoElement() || !doc.findElement(name))
        return std::nullopt;
    return doc.getData();
}

struct ListEntry {
    std::wstring text;
    std::wstring attribute;
};

// The `item`s (or `Item`s) inside the container element under the root, with one attribute each.
std::optional<std::vector<ListEntry>> listOf(const std::wstring& file, const wchar_t* root,
                                             const wchar_t* container, const wchar_t* entry,
                                             const wchar_t* attribute) {
    XmlDocument doc;
    if (!doc.loadFile(file) || !doc.findElement(root) || !doc.intoElement() || !doc.findElement(container))
        return std::nullopt;
    std::vector<ListEntry> entries;
    if (!doc.intoElement()) return entries;
    while (doc.findElement(entry)) entries.push_back({doc.getData(), doc.getAttribute(attribute)});
    return entries;
}

struct StoredChild {
    std::wstring kind;
    int id;
};

// The note's children as its file lists them, in order.
std::vector<StoredChild> childrenOf(const std::wstring& noteFile) {
    std::vector<StoredChild> children;
    for (const ListEntry& e : listOf(noteFile, L"TavNoteItem", L"ChildItems", L"Item", L"identify")
                                  .value_or(std::vector<ListEntry>{}))
        children.push_back({e.attribute, _wtoi(e.text.c_str())});
    return children;
}

std::optional<RECT> storedRectOf(const std::wstring& file, const wchar_t* root) {
    const wchar_t* names[] = {L"left", L"top", L"right", L"bottom"};
    LONG v[4] = {};
    for (int i = 0; i < 4; ++i) {
        auto value = elementOf(file, root, names[i]);
        if (!value || value->empty()) return std::nullopt;
        v[i] = _wtoi(value->c_str());
    }
    return RECT{v[0], v[1], v[2], v[3]};
}

// Polls the child's stored rectangle until it has differed from `from` and then kept one value for
// a moment (a drag writes its last rectangle after earlier ones).
std::optional<RECT> settledRectOf(const std::wstring& file, const wchar_t* root, const RECT& from) {
    std::optional<RECT> last = storedRectOf(file, root);
    ULONGLONG since = GetTickCount64();
    const bool settled = waitFor(
        [&] {
            const std::optional<RECT> now = storedRectOf(file, root);
            if (now.has_value() != last.has_value() || (now && !desk::sameRect(*now, *last)))
                last = now, since = GetTickCount64();
            return last && !desk::sameRect(*last, from) && GetTickCount64() - since >= 800;
        },
        15000);
    return settled ? last : std::nullopt;
}

// Where the character first stands in an RTF body, in either form a writer may use: \uN, or the
// bytes of code page 936 as \'xx; npos when it is not there.
size_t findChar(const std::string& body, wchar_t ch) {
    size_t at = body.find("\\u" + std::to_string(int(short(ch))));
    char bytes[4] = {};
    const int n = WideCharToMultiByte(936, 0, &ch, 1, bytes, 4, nullptr, nullptr);
    std::string escaped;
    char hex[8];
    for (int i = 0; i < n; ++i) {
        std::snprintf(hex, sizeof hex, "\\'%02x", unsigned(static_cast<unsigned char>(bytes[i])));
        escaped += hex;
    }
    std::string lower = body;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return char(std::tolower(c)); });
    if (n > 0) at = std::min(at, lower.find(escaped));
    return at;
}

// Offsets of the control words \b (bold on: no parameter or a parameter other than 0).
std::vector<size_t> boldOnAt(const std::string& body) {
    std::vector<size_t> at;
    static const std::regex boldOn(R"(\\b(?![a-z0])(?:-?[1-9][0-9]*)? ?)");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), boldOn); it != std::sregex_iterator(); ++it)
        at.push_back(size_t(it->position()));
    return at;
}

// ---- the screen -----------------------------------------------------------------------------

int red(uint32_t c) { return int((c >> 16) & 255); }
int green(uint32_t c) { return int((c >> 8) & 255); }
int blue(uint32_t c) { return int(c & 255); }

bool reddish(uint32_t c) { return red(c) > 120 && green(c) < 100 && blue(c) < 100; }
bool greenish(uint32_t c) { return green(c) > 120 && red(c) < 110 && blue(c) < 140; }
bool bluish(uint32_t c) { return blue(c) > 120 && red(c) < 90 && green(c) < 110; }
bool dark(uint32_t c) { return red(c) < 110 && green(c) < 110 && blue(c) < 110; }

template <typename Match> int countPixels(const desk::Screen& screen, const RECT& r, Match match) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += match(screen.rgb(POINT{x, y})) ? 1 : 0;
    return n;
}

// The leftmost column of `r` holding a pixel that matches; -1 when none does.
template <typename Match> int leftmost(const desk::Screen& screen, const RECT& r, Match match) {
    for (int x = r.left; x < r.right; ++x)
        for (int y = r.top; y < r.bottom; ++y)
            if (match(screen.rgb(POINT{x, y}))) return x;
    return -1;
}

std::vector<uint32_t> pixelsOf(const desk::Screen& screen, const RECT& r) {
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) pixels.push_back(screen.rgb(POINT{x, y}));
    return pixels;
}

// Captures until the area shows the same pixels twice in a row (the last paint has reached X).
bool captureSettled(desk::Screen& screen, const std::wstring& name, const RECT& area) {
    std::vector<uint32_t> last;
    for (int i = 0; i < 8; ++i) {
        if (!screen.capture(desk::besideTest(name))) return false;
        std::vector<uint32_t> now = pixelsOf(screen, area);
        if (i > 0 && now == last) return true;
        last = std::move(now);
    }
    return false;
}

// Pixels whose channels differ by more than `tolerance` in any of the three.
int differingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance = 40) {
    int n = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (std::abs(red(a[i]) - red(b[i])) > tolerance || std::abs(green(a[i]) - green(b[i])) > tolerance ||
            std::abs(blue(a[i]) - blue(b[i])) > tolerance)
            ++n;
    return n + int(std::max(a.size(), b.size()) - std::min(a.size(), b.size()));
}

RECT inset(const RECT& r, int by) { return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// The screen rectangle of a rectangle in the note's client coordinates.
RECT onScreen(HWND note, const RECT& inNote) {
    POINT origin{0, 0};
    ClientToScreen(note, &origin);
    return RECT{origin.x + inNote.left, origin.y + inNote.top, origin.x + inNote.right,
                origin.y + inNote.bottom};
}

POINT onScreen(HWND note, POINT inNote) {
    ClientToScreen(note, &inNote);
    return inNote;
}

// The screen rectangle of the note's child window that starts where the stored rectangle starts
// (a text block sizes itself to its text after loading, so only its top-left is known from the
// file); empty when there is none.
RECT childWindowRect(HWND note, const RECT& stored) {
    const RECT want = onScreen(note, stored);
    for (HWND child = GetWindow(note, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = rectOf(child);
        if (IsWindowVisible(child) && r.left == want.left && r.top == want.top) return r;
    }
    return RECT{};
}

// ---- input ----------------------------------------------------------------------------------

bool doubleClick(POINT p) {
    return unixtools::xdotool(L"mousemove " + desk::at(p) + L" sleep 0.3 click --repeat 2 --delay 80 1");
}

// xdotool may still be sending when the call returns: the next keys must not overtake these.
bool type(const std::wstring& text) {
    const bool ok = unixtools::xdotool(L"type --delay 40 \"" + text + L"\"");
    Sleep(DWORD(text.size()) * 40 + 400);
    return ok;
}

bool key(const std::wstring& keys) {
    const bool ok = unixtools::xdotool(L"key --delay 60 " + keys);
    Sleep(400);
    return ok;
}

// Chinese typed through xdotool never reaches Wine's windows here: it comes through the clipboard,
// put there by this process as Unicode text, and Ctrl+V.
bool pasteText(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool put = false;
    if (void* p = memory ? GlobalLock(memory) : nullptr) {
        memcpy(p, text.c_str(), bytes);
        GlobalUnlock(memory);
        put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!put && memory) GlobalFree(memory);
    CloseClipboard();
    return put && key(L"ctrl+v");
}

// ---- the fixture ----------------------------------------------------------------------------

constexpr wchar_t kNoteA[] = L"20261210180000101_01";
constexpr wchar_t kNoteB[] = L"20261210180000102_02";
constexpr RECT kPlaceA{200, 150, 560, 470};
constexpr RECT kPlaceB{640, 150, 820, 330};

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL(L"/usr/bin/xdotool");
        // Nothing of an earlier test may be left under the pointer.
        unixtools::xdotool(L"mousemove 640 780");
    }
    std::wstring noteFolder(const std::wstring& unique) const {
        return folder_.path() + L"NoteData\\NoteItems\\" + unique + L"\\";
    }
    std::wstring noteFile(const std::wstring& unique) const { return noteFolder(unique) + unique + L".xml"; }
    std::wstring childFile(const std::wstring& unique, int id) const {
        return noteFolder(unique) + std::to_wstring(id) + L".xml";
    }
    std::wstring bodyFile(const std::wstring& unique, int id) const {
        return noteFolder(unique) + std::to_wstring(id) + L"_rtf";
    }
    // Notes A and B written through the program's own store; `fill` adds children to A.
    template <typename Fill> void prepare(Fill fill) {
        setAppDirectoryOverride(folder_.path());
        {
            TavNoteStore a(kNoteA, L"", 700001), b(kNoteB, L"", 700002);
            ASSERT_TRUE(a.createNoteFile() && a.SaveGeometry(kPlaceA).has_value());
            ASSERT_TRUE(b.createNoteFile() && b.SaveGeometry(kPlaceB).has_value());
            fill(a);
        }
        setAppDirectoryOverride(L"");
    }
    void prepare() {
        prepare([](TavNoteStore&) {});
    }
    // Starts the installation and waits for both notes; A's window.
    HWND start() {
        app_ = std::make_unique<TavNoteProcess>(installInto(folder_.path()), folder_.path());
        if (!app_->started() || !desk::waitForWindowAt(*app_, kPlaceB, 20000)) return nullptr;
        return desk::waitForWindowAt(*app_, kPlaceA, 20000);
    }
    void quit() {
        PostMessageW(app_->mainWindow(), WM_CLOSE, 0, 0);
        EXPECT_EQ(app_->waitForExit(60000), 0u);
        app_.reset();
    }
    // A click on note B, away from A: whatever is being edited on A loses the focus.
    bool clickNoteB() { return desk::click(POINT{kPlaceB.left + 40, kPlaceB.top + 40}); }
    // Waits until A's file lists `count` children; the children.
    std::vector<StoredChild> waitForChildren(size_t count, DWORD ms = 15000) {
        std::vector<StoredChild> children;
        waitFor([&] { return (children = childrenOf(noteFile(kNoteA))).size() == count; }, ms);
        return children;
    }
    // Waits for the block's body to hold every piece of text; the body as last read.
    std::string waitForBody(int id, const std::vector<std::string>& pieces) {
        std::string body;
        waitFor(
            [&] {
                body = readBytes(bodyFile(kNoteA, id));
                return std::all_of(pieces.begin(), pieces.end(),
                                   [&](const std::string& p) { return body.find(p) != std::string::npos; });
            },
            15000);
        return body;
    }

    TempFolder folder_{L"taveditng"};
    std::unique_ptr<TavNoteProcess> app_;
};

// ---- rich text blocks -----------------------------------------------------------------------

TEST_F(EditingTest, ADoubleClickStartsABlockThatKeepsLatinBoldAndChineseTextAndIsDrawnAgainAfterARestart) {
    prepare();
    HWND note = start();
    ASSERT_NE(note, nullptr) << "the notes do not open at their places";
    const POINT empty = onScreen(note, POINT{40, 40});
    ASSERT_TRUE(doubleClick(empty));
    std::vector<StoredChild> children = waitForChildren(1);
    ASSERT_EQ(children.size(), 1u) << "no block after a double-click on empty note space";
    EXPECT_EQ(children[0].kind, L"TavRichEditNI");
    const int id = children[0].id;

    ASSERT_TRUE(type(L"Hello world "));
    ASSERT_TRUE(key(L"ctrl+b"));
    ASSERT_TRUE(type(L"bold"));
    ASSERT_TRUE(key(L"ctrl+b"));
    ASSERT_TRUE(type(L" "));
    ASSERT_TRUE(pasteText(L"你好世界"));
    ASSERT_TRUE(clickNoteB());

    const std::string body = waitForBody(id, {"Hello", "bold"});
    ASSERT_NE(body.find("bold"), std::string::npos) << body;
    const std::wstring child = childFile(kNoteA, id);
    // The block file is written after the body.
    waitFor([&] { return listOf(child, L"TavRichEditNI", L"lineheight", L"item", L"image").has_value(); },
            10000);
    EXPECT_EQ(elementOf(child, L"TavRichEditNI", L"rtftext").value_or(L"(missing)"),
              std::to_wstring(id) + L"_rtf");
    const auto heights = listOf(child, L"TavRichEditNI", L"lineheight", L"item", L"image");
    ASSERT_TRUE(heights.has_value()) << "no lineheight";
    ASSERT_EQ(heights->size(), 1u) << "one row typed";
    // The row's line spacing above its text: 7 pixels unless changed.
    EXPECT_EQ(_wtoi(heights->front().text.c_str()), 7)
        << "row line spacing \"" << std::string(heights->front().text.begin(), heights->front().text.end())
        << "\"";
    for (wchar_t ch : std::wstring(L"你好世界"))
        EXPECT_NE(findChar(body, ch), std::string::npos)
            << "U+" << std::hex << int(ch) << " missing: " << body;
    // Only "bold" is bold: one \b, after "Hello world" and before "bold", ended before the Chinese.
    const size_t hello = body.find("Hello world"), bold = body.find("bold");
    const std::vector<size_t> on = boldOnAt(body);
    EXPECT_EQ(on.size(), 1u) << "Ctrl+B, \"bold\", Ctrl+B: " << body;
    if (on.size() == 1) {
        EXPECT_GT(on[0], hello);
        EXPECT_LT(on[0], bold);
        const size_t boldEnd = std::min(body.find('}', bold), body.find("\\b0", bold));
        EXPECT_LT(boldEnd, findChar(body, L'你')) << "the Chinese text is bold too: " << body;
    }
    // Every typed letter is there, in order: the body's text without its control words.
    std::string letters;
    for (size_t i = body.find("\\cf1"); i != std::string::npos && i < body.size(); ++i) {
        if (body[i] == '\\') {
            if (i + 1 < body.size() && body[i + 1] == '\'') {
                i += 3; // \'xx
                continue;
            }
            while (i + 1 < body.size() &&
                   (std::isalnum(static_cast<unsigned char>(body[i + 1])) || body[i + 1] == '-'))
                ++i;
            if (i + 1 < body.size() && body[i + 1] == ' ') ++i; // the delimiter
        } else if (body[i] != '{' && body[i] != '}') {
            letters += body[i];
        }
    }
    EXPECT_NE(letters.find("Hello world bold "), std::string::npos) << "typed text lost: " << body;

    const std::optional<RECT> stored = storedRectOf(child, L"TavRichEditNI");
    ASSERT_TRUE(stored.has_value());
    const RECT area = onScreen(note, *stored);
    desk::Screen screen;
    ASSERT_TRUE(captureSettled(screen, L"editing_typed.png", area));
    const std::vector<uint32_t> before = pixelsOf(screen, area);
    EXPECT_GT(countPixels(screen, area, dark), 60) << "no text drawn in the block " << describe(area);
    quit();

    note = start();
    ASSERT_NE(note, nullptr) << "not reopened";
    ASSERT_TRUE(captureSettled(screen, L"editing_typed_restart.png", area));
    const int changed = differingPixels(before, pixelsOf(screen, area));
    const int size = (area.right - area.left) * (area.bottom - area.top);
    EXPECT_LT(changed, size / 50) << "the block looks different after the restart: " << changed << " of "
                                  << size << " pixels in " << describe(area);
    quit();
}

TEST_F(EditingTest, ABlockLeftEmptyAtOnceLeavesNothingInTheNote) {
    prepare();
    HWND note = start();
    ASSERT_NE(note, nullptr);
    const auto filesBefore = defects::filesIn(noteFolder(kNoteA));
    ASSERT_TRUE(doubleClick(onScreen(note, POINT{60, 120})));
    ASSERT_EQ(waitForChildren(1).size(), 1u) << "no block after a double-click on empty note space";
    ASSERT_TRUE(clickNoteB());
    EXPECT_TRUE(waitFor([&] { return childrenOf(noteFile(kNoteA)).empty(); }, 10000))
        << "the empty block's Item stays";
    // Nothing but the note file itself (rewritten) is left in the folder.
    std::vector<std::wstring> names;
    waitFor(
        [&] {
            names.clear();
            for (const auto& [name, bytes] : defects::filesIn(noteFolder(kNoteA))) names.push_back(name);
            return names.size() == filesBefore.size();
        },
        5000);
    std::vector<std::wstring> namesBefore;
    for (const auto& [name, bytes] : filesBefore) namesBefore.push_back(name);
    EXPECT_EQ(names, namesBefore);
    quit();
}

TEST_F(EditingTest, ShiftEnterContinuesInANewBlockRightBelowAndLeftAligned) {
    prepare();
    HWND note = start();
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(doubleClick(onScreen(note, POINT{50, 60})));
    ASSERT_EQ(waitForChildren(1).size(), 1u);
    ASSERT_TRUE(type(L"one"));
    ASSERT_TRUE(key(L"shift+Return"));
    std::vector<StoredChild> children = waitForChildren(2);
    ASSERT_EQ(children.size(), 2u) << "Shift+Enter started no second block";
    ASSERT_TRUE(type(L"two"));
    ASSERT_TRUE(clickNoteB());
    EXPECT_NE(waitForBody(children[0].id, {"one"}).find("one"), std::string::npos);
    EXPECT_NE(waitForBody(children[1].id, {"two"}).find("two"), std::string::npos);
    EXPECT_EQ(waitForBody(children[0].id, {}).find("two"), std::string::npos) << "\"two\" went to the first";

    const auto first = storedRectOf(childFile(kNoteA, children[0].id), L"TavRichEditNI");
    const auto second = storedRectOf(childFile(kNoteA, children[1].id), L"TavRichEditNI");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(second->left, first->left) << describe(*first) << " then " << describe(*second);
    EXPECT_EQ(second->top, first->bottom) << describe(*first) << " then " << describe(*second);
    desk::Screen screen;
    ASSERT_TRUE(captureSettled(screen, L"editing_shift_enter.png", onScreen(note, *second)));
    quit();
}

// The first icon of the installation's icon folder, as the icon list orders it (by name, case ignored).
std::wstring firstIconName(const std::wstring& installation) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((installation + L"tavnote_reicon\\default\\*.png").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return L"";
    do names.push_back(fd.cFileName);
    while (FindNextFileW(find, &fd));
    FindClose(find);
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    return names.empty() ? L"" : names.front();
}

// The visible child of `menu` without text lying above the item `below`: the icon grid.
HWND iconGridAbove(HWND below) {
    HWND menu = GetAncestor(below, GA_ROOT);
    const RECT item = rectOf(below);
    for (HWND child = GetWindow(menu, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = rectOf(child);
        if (IsWindowVisible(child) && desk::textOf(child).empty() && r.bottom <= item.top &&
            r.right - r.left >= TavNoteListImage::kCell)
            return child;
    }
    return nullptr;
}

constexpr int kRichId = 700101, kPlainId = 700102, kPictureId = 700103;
constexpr RECT kRichRect{20, 20, 300, 80}, kPlainRect{20, 200, 300, 240}, kPictureRect{180, 110, 300, 180};
constexpr unsigned kRichRed = 0xD01010, kPlainBlue = 0xFF1030D0u;

bool writeTwoRowBlock(TavNoteStore& note) {
    return notecontents::writeRichBlock(note, kRichId, kRichRect,
                                        notecontents::rtfBody({L"ONE 第一行", L"TWO 第二行"}, kRichRed));
}

TEST_F(EditingTest, ARowIconFromTheBlockMenuIsStoredAndShiftsTheTextRight) {
    prepare([](TavNoteStore& a) { ASSERT_TRUE(writeTwoRowBlock(a)); });
    HWND note = start();
    ASSERT_NE(note, nullptr);
    const std::wstring child = childFile(kNoteA, kRichId);
    RECT block{};
    ASSERT_TRUE(waitFor([&] { return !IsRectEmpty(&(block = childWindowRect(note, kRichRect))); }, 10000))
        << "the prepared block is not on the note";
    desk::Screen screen;
    ASSERT_TRUE(captureSettled(screen, L"editing_icon_before.png", block));
    const int textBefore = leftmost(screen, inset(block, 2), reddish);
    ASSERT_GE(textBefore, block.left) << "no red text in the block " << describe(block);

    ASSERT_TRUE(desk::click(POINT{block.left + 40, block.top + 12}, 3));
    HWND iconItem = desk::waitForItem(*app_, L"设置图标");
    ASSERT_NE(iconItem, nullptr) << "no block menu";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"editing_block_menu.png")));
    ASSERT_TRUE(desk::click(centreOf(rectOf(iconItem))));
    HWND none = desk::waitForItem(*app_, L"无");
    ASSERT_NE(none, nullptr) << "no icon submenu";
    HWND grid = iconGridAbove(none);
    ASSERT_NE(grid, nullptr) << "no icon list above \"无\"";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"editing_icon_menu.png")));
    const RECT g = rectOf(grid);
    ASSERT_TRUE(
        desk::click(POINT{g.left + TavNoteListImage::kCell / 2, g.top + TavNoteListImage::kCell / 2}));

    std::vector<ListEntry> states;
    const bool stored = waitFor(
        [&] {
            states = listOf(child, L"TavRichEditNI", L"rowstates", L"item", L"image").value_or(states);
            return !states.empty();
        },
        10000);
    ASSERT_TRUE(screen.capture(desk::besideTest(L"editing_icon_chosen.png")));
    ASSERT_TRUE(stored) << "no rowstates item after choosing an icon";
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].text, L"0") << "the caret row of a block opened from its file is its first";
    EXPECT_EQ(states[0].attribute, firstIconName(folder_.path()));

    ASSERT_TRUE(clickNoteB());
    ASSERT_TRUE(waitFor([&] { return desk::visibleItem(*app_, L"无") == nullptr; }, 5000));
    ASSERT_TRUE(waitFor([&] { return !IsRectEmpty(&(block = childWindowRect(note, kRichRect))); }, 5000));
    ASSERT_TRUE(captureSettled(screen, L"editing_icon_after.png", block));
    const int textAfter = leftmost(screen, inset(block, 2), reddish);
    EXPECT_EQ(textAfter - textBefore, 25) << "leftmost text column " << textBefore << " then " << textAfter;
    // The green check of the first icon lies in the left margin, left of the text.
    const RECT margin{block.left + 2, block.top, textAfter, block.bottom};
    EXPECT_GT(countPixels(screen, margin, greenish), 40) << "no icon drawn in " << describe(margin);
    quit();
}

// ---- pictures -------------------------------------------------------------------------------

TEST_F(EditingTest, APictureAddedByTheMenuGrowsFromEachCornerAndGoesWithItsFilesOnDelete) {
    prepare();
    TempFolder picks(L"tavpick");
    const std::wstring source = picks.file(L"pic.png");
    ASSERT_TRUE(desk::writeSolidPng(source, 60, 40, 0xFFF08020));
    HWND note = start();
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(defects::openNoteMenu(*app_, onScreen(note, POINT{60, 80})));
    ASSERT_TRUE(desk::choose(*app_, L"添加图像..."));
    HWND chooser = defects::waitForWindowTitled(defects::kPictureChooser);
    ASSERT_NE(chooser, nullptr) << "no picture chooser";
    desk::Screen screen;
    ASSERT_TRUE(unixtools::xdotool(L"type --delay 30 \"" + source + L"\""));
    ASSERT_TRUE(screen.capture(desk::besideTest(L"editing_picture_typed.png")));
    ASSERT_TRUE(unixtools::xdotool(L"sleep 0.3 key Return"));
    std::vector<StoredChild> children = waitForChildren(1);
    ASSERT_TRUE(screen.capture(desk::besideTest(L"editing_picture_chosen.png")));
    ASSERT_EQ(children.size(), 1u) << "no child after choosing a picture";
    EXPECT_EQ(children[0].kind, L"TavNoteItemImage");
    const int id = children[0].id;
    const std::wstring child = childFile(kNoteA, id);
    const std::wstring picture =
        L"bkimage_" + elementOf(noteFile(kNoteA), L"TavNoteItem", L"ID").value_or(L"?") + L"_pic.png";
    EXPECT_EQ(elementOf(child, L"TavNoteItemImage", L"image").value_or(L"(missing)"), picture);
    EXPECT_EQ(readBytes(noteFolder(kNoteA) + picture), readBytes(source)) << "the picture was not copied";

    std::optional<RECT> rect;
    ASSERT_TRUE(waitFor([&] { return (rect = storedRectOf(child, L"TavNoteItemImage")).has_value(); }, 5000));
    ASSERT_TRUE(captureSettled(screen, L"editing_picture_added.png", onScreen(note, *rect)));

    // Each corner is grabbed 2 pixels inside the picture and pulled 15 pixels outward.
    struct Corner {
        const char* name;
        bool left, top; // which sides the corner moves
    } corners[] = {{"top-left", true, true},
                   {"top-right", false, true},
                   {"bottom-right", false, false},
                   {"bottom-left", true, false}};
    constexpr int kPull = 15;
    for (const Corner& c : corners) {
        const RECT from = *rect;
        const RECT r = onScreen(note, from);
        const POINT grab{c.left ? r.left + 2 : r.right - 3, c.top ? r.top + 2 : r.bottom - 3};
        const POINT to{grab.x + (c.left ? -kPull : kPull), grab.y + (c.top ? -kPull : kPull)};
        ASSERT_TRUE(desk::drag(grab, to)) << c.name;
        rect = settledRectOf(child, L"TavNoteItemImage", from);
        ASSERT_TRUE(rect.has_value())
            << c.name << ": the stored rectangle did not change from " << describe(from);
        RECT expected = from;
        (c.left ? expected.left : expected.right) += c.left ? -kPull : kPull;
        (c.top ? expected.top : expected.bottom) += c.top ? -kPull : kPull;
        EXPECT_TRUE(desk::sameRect(*rect, expected)) << c.name << ": " << describe(from) << " became "
                                                     << describe(*rect) << ", not " << describe(expected);
    }
    ASSERT_TRUE(captureSettled(screen, L"editing_picture_grown.png", onScreen(note, *rect)));

    ASSERT_TRUE(desk::click(centreOf(onScreen(note, *rect)), 3));
    ASSERT_NE(desk::waitForItem(*app_, L"更换图片"), nullptr) << "no picture menu";
    ASSERT_TRUE(screen.capture(desk::besideTest(L"editing_picture_menu.png")));
    ASSERT_TRUE(desk::choose(*app_, L"删除"));
    EXPECT_TRUE(waitFor([&] { return childrenOf(noteFile(kNoteA)).empty(); }, 10000)) << "its Item stays";
    EXPECT_TRUE(waitFor([&] { return !pathExists(child); }, 5000)) << "its file stays";
    EXPECT_TRUE(waitFor([&] { return !pathExists(noteFolder(kNoteA) + picture); }, 5000))
        << "its picture stays";
    EXPECT_TRUE(pathExists(source)) << "the chosen file went";
    quit();
}

// ---- plain text blocks ----------------------------------------------------------------------

TEST_F(EditingTest, APlainBlocksOpacitySliderChangesOnlyTheAlphaOfItsColor) {
    prepare([](TavNoteStore& a) {
        ASSERT_TRUE(notecontents::writePlainBlock(a, kPlainId, kPlainRect, L"plain 纯文本 WWWW", kPlainBlue));
    });
    HWND note = start();
    ASSERT_NE(note, nullptr);
    const std::wstring child = childFile(kNoteA, kPlainId);
    RECT block{};
    ASSERT_TRUE(waitFor([&] { return !IsRectEmpty(&(block = childWindowRect(note, kPlainRect))); }, 10000));
    ASSERT_TRUE(desk::click(POINT{block.left + 30, (block.top + block.bottom) / 2}, 3));
    HWND color = desk::waitForItem(*app_, L"颜色");
    ASSERT_NE(color, nullptr) << "no block menu";
    // The slider's row is the last, right below "颜色".
    const RECT above = rectOf(color);
    const RECT slider{above.left, above.bottom, above.right, above.bottom + TavNoteMenu::kItemHeight};
    const POINT thumb{slider.left + kSliderMarginH, (slider.top + slider.bottom) / 2};
    desk::Screen screen;
    ASSERT_TRUE(screen.capture(desk::besideTest(L"editing_plain_menu.png")));
    ASSERT_TRUE(desk::drag(thumb, POINT{thumb.x + 60, thumb.y}));

    std::optional<unsigned> stored;
    ULONGLONG since = GetTickCount64();
    const bool settled = waitFor(
        [&] {
            const auto text = elementOf(child, L"TavNoteItemEdit", L"color");
            const std::optional<unsigned> now =
                text ? std::optional<unsigned>(unsigned(_wtoi(text->c_str()))) : std::nullopt;
            if (now != stored) stored = now, since = GetTickCount64();
            return stored && *stored != kPlainBlue && GetTickCount64() - since >= 800;
        },
        15000);
    ASSERT_TRUE(screen.capture(desk::besideTest(L"editing_plain_opacity.png")));
    ASSERT_TRUE(settled) << "color did not change: "
                         << elementOf(child, L"TavNoteItemEdit", L"color").value_or(L"(missing)");
    EXPECT_EQ(*stored & 0xFFFFFFu, kPlainBlue & 0xFFFFFFu) << std::hex << *stored;
    EXPECT_LT(*stored >> 24, 0xFFu) << std::hex << *stored;
    EXPECT_GT(*stored >> 24, 0x40u) << "a pull of a quarter of the slider: " << std::hex << *stored;
    quit();
}

// ---- all of it on one note ------------------------------------------------------------------

TEST_F(EditingTest, ANoteWithRichTextAndARowIconAPlainBlockAndAPictureShowsAllOfThem) {
    const std::wstring icon = firstIconName(TavTestEnvironment::installationFolder());
    ASSERT_FALSE(icon.empty());
    prepare([&](TavNoteStore& a) {
        ASSERT_TRUE(writeTwoRowBlock(a));
        XmlDocument doc;
        ASSERT_TRUE(doc.loadFile(a.childFilePath(kRichId)) && doc.findElement(L"TavRichEditNI") &&
                    doc.intoElement());
        ASSERT_TRUE(doc.addElement(L"rowstates") && doc.intoElement() && doc.addElement(L"item", 0) &&
                    doc.setAttribute(L"image", icon));
        doc.outOfElement();
        doc.outOfElement();
        ASSERT_TRUE(doc.saveFile(a.childFilePath(kRichId)));
        ASSERT_TRUE(notecontents::writePlainBlock(a, kPlainId, kPlainRect, L"plain 纯文本 WWWW", kPlainBlue));
        ASSERT_TRUE(desk::writeSolidPng(a.fileInFolder(L"bkimage_700001_green.png"), 40, 40, 0xFF10B040));
        ASSERT_TRUE(
            notecontents::writePictureChild(a, kPictureId, kPictureRect, L"bkimage_700001_green.png"));
    });
    HWND note = start();
    ASSERT_NE(note, nullptr);
    RECT rich{};
    ASSERT_TRUE(waitFor([&] { return !IsRectEmpty(&(rich = childWindowRect(note, kRichRect))); }, 10000));
    desk::Screen screen;
    ASSERT_TRUE(captureSettled(screen, L"editing_all_children.png", rectOf(note)));
    const int text = leftmost(screen, inset(rich, 2), reddish);
    EXPECT_GE(text - rich.left, 32) << "the text does not make room for the icon";
    EXPECT_GT(countPixels(screen, RECT{rich.left + 2, rich.top, text, rich.bottom}, greenish), 40)
        << "no icon in the left margin";
    EXPECT_GT(countPixels(screen, onScreen(note, kPlainRect), bluish), 40) << "no blue plain text";
    const RECT picture = inset(onScreen(note, kPictureRect), 8);
    EXPECT_GT(countPixels(screen, picture, greenish),
              (picture.right - picture.left) * (picture.bottom - picture.top) * 9 / 10)
        << "the picture is not drawn at its place";
    quit();
}

} // namespace
