// Ids, registries, the window class, the children list and destruction rules.
#include "wnd_support.h"

#include "TempFolder.h"
#include "XmlDocument.h"

#include <filesystem>
#include <fstream>

using namespace wndtest;

TEST(WndIds, ObjectsWithoutIdsGetDistinctIdsFromTheCounter) {
    auto a = makeRoot(0, 0, 10, 10);
    auto b = makeRoot(0, 0, 10, 10);
    TavObject plain; // takes its id on first use and holds it like a window does
    EXPECT_GE(a->objectId(), 100000);
    EXPECT_GE(b->objectId(), 100000);
    EXPECT_GE(plain.objectId(), 100000);
    EXPECT_NE(a->objectId(), b->objectId());
    EXPECT_NE(plain.objectId(), a->objectId());
    EXPECT_NE(plain.objectId(), b->objectId());
}

TEST(WndIds, FreedIdIsTakenAgainAndLowestFreeIdWins) {
    auto a = makeRoot(0, 0, 10, 10);
    int freed = a->objectId();
    a.reset();
    EXPECT_FALSE(TavObject::isIdInUse(freed));
    auto b = makeRoot(0, 0, 10, 10);
    EXPECT_EQ(b->objectId(), freed);
}

TEST(WndIds, ExplicitIdIsFoundByIdAndHandleUntilDestroyed) {
    auto manager = makeRoot(0, 0, 10, 10, 0, kLayeredEx, kPopupVisible, 20001);
    HWND h = manager->handle();
    EXPECT_EQ(manager->objectId(), 20001);
    EXPECT_EQ(TavWnd::findById(20001), manager.get());
    EXPECT_EQ(TavWnd::findByHandle(h), manager.get());
    EXPECT_EQ(TavObjectSub::fromHandle(h), manager.get());
    manager.reset();
    EXPECT_EQ(TavWnd::findById(20001), nullptr);
    EXPECT_EQ(TavWnd::findByHandle(h), nullptr);
    EXPECT_FALSE(IsWindow(h));
}

TEST(WndIds, TwoHoldersOfOneIdAnswerTheLatestAndThenTheOther) {
    auto first = makeRoot(0, 0, 10, 10, 0, kLayeredEx, kPopupVisible, 20018);
    auto second = makeRoot(0, 0, 10, 10, 0, kLayeredEx, kPopupVisible, 20018);
    EXPECT_EQ(TavWnd::findById(20018), second.get());
    second.reset();
    EXPECT_EQ(TavWnd::findById(20018), first.get());
    EXPECT_TRUE(TavObject::isIdInUse(20018));
    first.reset();
    EXPECT_FALSE(TavObject::isIdInUse(20018));
}

TEST(WndClass, RegisteredOnceWithDoubleClicksAndSubclassedWindows) {
    auto w = std::make_unique<ColorWnd>();
    ASSERT_TRUE(w->create(0, L"", kLayeredEx, kPopupVisible, 0, 0, 10, 10, nullptr));
    WNDCLASSEXW info{sizeof(info)};
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"TavWnd", &info));
    EXPECT_EQ(info.style, UINT(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(GetWindowLongPtrW(w->handle(), GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(&TavObjectSub::sharedWindowProc));
    EXPECT_NE(w->previousProc(), nullptr);
    EXPECT_EQ(w->showState(), SW_SHOW);
    EXPECT_EQ(w->objectName(), L"TavWnd");
}

TEST(WndClass, FailedCreationLeavesNoHandleAndReportsFalse) {
    ColorWnd w;
    // A child window needs a parent: the platform refuses it.
    EXPECT_FALSE(w.create(0, L"", 0, WS_CHILD, 0, 0, 10, 10, nullptr));
    EXPECT_EQ(w.handle(), nullptr);
}

TEST(WndTree, ChildrenListFollowsCreationAndDestruction) {
    auto root = makeRoot(0, 0, 100, 100);
    auto a = makeChild(*root, 0, 0, 10, 10, 0);
    auto b = makeChild(*root, 20, 0, 10, 10, 0);
    auto popup = makeRoot(0, 0, 10, 10); // not a child: not listed
    ASSERT_EQ(root->children().size(), 2u);
    EXPECT_EQ(root->children()[0], a.get());
    EXPECT_EQ(root->children()[1], b.get());
    EXPECT_EQ(a->parentWnd(), root.get());
    EXPECT_EQ(a->root(), root.get());
    a.reset();
    ASSERT_EQ(root->children().size(), 1u);
    EXPECT_EQ(root->children()[0], b.get());
}

TEST(WndTree, ParentDestroyedBeforeItsChildObjects) {
    auto root = makeRoot(0, 0, 100, 100);
    auto child = makeChild(*root, 0, 0, 10, 10, 0);
    HWND childHandle = child->handle();
    root.reset(); // destroys both platform windows; the child object lives on
    EXPECT_FALSE(IsWindow(childHandle));
    EXPECT_EQ(child->parentWnd(), nullptr);
    EXPECT_EQ(child->handle(), nullptr);
    EXPECT_EQ(TavWnd::findByHandle(childHandle), nullptr);
    EXPECT_FALSE(child->redrawAll());
    child.reset(); // must not touch the gone parent
}

TEST(WndTree, DestroyingThePlatformWindowForgetsTheHandle) {
    auto w = makeRoot(0, 0, 10, 10);
    int id = w->objectId();
    HWND h = w->handle();
    DestroyWindow(h);
    EXPECT_EQ(w->handle(), nullptr);
    EXPECT_EQ(TavObjectSub::fromHandle(h), nullptr);
    EXPECT_EQ(TavWnd::findByHandle(h), nullptr);
    EXPECT_EQ(TavWnd::findById(id), w.get()); // found by id until the object goes
}

TEST(WndTree, TopLevelAndLayeredFollowParents) {
    auto layered = makeRoot(0, 0, 100, 100);
    auto plain = makeRoot(0, 0, 100, 100, 0, WS_EX_TOOLWINDOW);
    auto child = makeChild(*layered, 0, 0, 10, 10, 0);
    auto grandchild = makeChild(*child, 0, 0, 5, 5, 0);
    EXPECT_EQ(grandchild->topLevelHandle(), layered->handle());
    EXPECT_EQ(grandchild->root(), layered.get());
    EXPECT_TRUE(grandchild->isLayered());
    EXPECT_FALSE(plain->isLayered());
    EXPECT_TRUE(grandchild->isDescendantOf(layered.get()));
    EXPECT_FALSE(layered->isDescendantOf(grandchild.get()));
}

TEST(WndState, CursorKindsAndTheirMeaning) {
    auto w = makeRoot(0, 0, 10, 10);
    struct Case {
        int kind;
        bool moving, resizing;
    };
    for (Case c : {Case{0, false, false}, Case{1, true, false}, Case{2, false, true}, Case{5, false, true},
                   Case{6, false, false}, Case{42, false, false}}) {
        w->setCursorKind(c.kind);
        EXPECT_EQ(w->cursorKind(), c.kind);
        EXPECT_EQ(w->isMoving(), c.moving) << c.kind;
        EXPECT_EQ(w->isResizing(), c.resizing) << c.kind;
    }
}

// ---------------------------------------------------------------------------------------------
// The object's own XML file.

namespace {

class StoredWnd : public TavWnd {
public:
    explicit StoredWnd(std::wstring p) : path(std::move(p)) { setObjectName(L"TavStoredThing"); }
    std::wstring GetFilePath() override { return path; }
    std::wstring path;
};

std::filesystem::path tempFile(const wchar_t* name) {
    static const TempFolder folder(L"tavnote_wnd");
    return folder.file(name);
}

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(WndDocument, NoPathMeansNothingIsOpened) {
    TavWnd w;
    XmlDocument doc;
    EXPECT_EQ(w.OpenDocument(doc), 0);
}

TEST(WndDocument, MissingFileIsCreatedWithRootAndId) {
    auto file = tempFile(L"missing.xml");
    StoredWnd w(file.wstring());
    XmlDocument doc;
    ASSERT_EQ(w.OpenDocument(doc), 1);
    std::string text = readAll(file);
    EXPECT_NE(text.find("<TavStoredThing>"), std::string::npos) << text;
    EXPECT_NE(text.find("<ID>" + std::to_string(w.objectId()) + "</ID>"), std::string::npos) << text;
    // Opened again: the element exists and is not added twice.
    XmlDocument again;
    ASSERT_EQ(w.OpenDocument(again), 1);
    EXPECT_EQ(readAll(file), text);
}

TEST(WndDocument, IllFormedFileIsKeptBesideItsSuccessor) {
    auto file = tempFile(L"broken.xml");
    { std::ofstream(file, std::ios::binary) << "<TavStoredThing><open>"; }
    StoredWnd w(file.wstring());
    XmlDocument doc;
    ASSERT_EQ(w.OpenDocument(doc), 1);
    EXPECT_EQ(readAll(file.wstring() + L".bad"), "<TavStoredThing><open>");
    EXPECT_NE(readAll(file).find("<ID>"), std::string::npos);
}

TEST(WndDocument, FindOperationsWalkToTheMatchingElement) {
    TavObject o;
    struct Case {
        const char* what;
        bool (*find)(TavObject&, XmlDocument&);
        std::wstring expectData;
    };
    const wchar_t* text =
        L"<r><i name=\"a\" n=\"1\">x</i><i name=\"b\" n=\"02\">7</i><i name=\"c\" n=\"3\">z</i></r>";
    Case cases[] = {
        {"by text attribute",
         [](TavObject& t, XmlDocument& d) { return t.findElementByText(d, L"i", L"name", L"b"); }, L"7"},
        {"by number attribute",
         [](TavObject& t, XmlDocument& d) { return t.findElementByNumber(d, L"i", L"n", 2); }, L"7"},
        {"by data", [](TavObject& t, XmlDocument& d) { return t.findElementByData(d, L"i", L"z"); }, L"z"},
        {"by number data", [](TavObject& t, XmlDocument& d) { return t.findElementByDataNumber(d, L"i", 7); },
         L"7"},
    };
    for (auto& c : cases) {
        XmlDocument doc;
        ASSERT_TRUE(doc.setDocument(text));
        ASSERT_TRUE(doc.findElement(L"r"));
        ASSERT_TRUE(doc.intoElement());
        EXPECT_TRUE(c.find(o, doc)) << c.what;
        EXPECT_EQ(doc.getData(), c.expectData) << c.what;
    }
    XmlDocument doc;
    ASSERT_TRUE(doc.setDocument(text));
    doc.findElement(L"r");
    doc.intoElement();
    EXPECT_FALSE(o.findElementByText(doc, L"i", L"name", L"zz"));
}
