#include "TavObject.h"

#include "AppState.h"
#include "FileSystem.h"
#include "TavAssert.h"
#include "TavWndState.h"
#include "XmlDocument.h"

#include <cwchar>
#include <map>
#include <set>

namespace {

// Ids in use. A multiset, because an id given explicitly may be held by two objects at once;
// an id stays in use until its last holder is destroyed.
std::multiset<int>& idSet() {
    static std::multiset<int> ids;
    return ids;
}

std::map<HWND, TavObjectSub*>& handleMap() {
    static std::map<HWND, TavObjectSub*> map;
    return map;
}

int parseDecimal(const std::wstring& text) {
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

} // namespace

namespace tavwnd {

HINSTANCE moduleInstance() { return appState().instance ? appState().instance : GetModuleHandleW(nullptr); }

// The platform classes of the framework ("TavWnd" for every framework window, and the move/resize
// outline's own); objects subclass their windows after creation.
void ensureWindowClass(HINSTANCE instance, const wchar_t* className) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    if (GetClassInfoExW(instance, className, &info)) return;
    info = WNDCLASSEXW{};
    info.cbSize = sizeof(info);
    info.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    info.lpfnWndProc = DefWindowProcW;
    info.hInstance = instance;
    info.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!info.hIcon) info.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    info.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW);
    info.lpszClassName = className;
    RegisterClassExW(&info);
}

} // namespace tavwnd

// ---------------------------------------------------------------------------------------------
// TavObject

TavObject::TavObject() : name_(L"TavObject") {}

TavObject::~TavObject() { releaseId(); }

int TavObject::objectId() {
    if (id_ == 0) assignId(0);
    return id_;
}

bool TavObject::isIdInUse(int id) { return idSet().count(id) != 0; }

namespace {
std::set<int>& reservedIds() {
    static std::set<int> ids;
    return ids;
}
} // namespace

void TavObject::reserveIds(const std::vector<int>& ids) {
    for (int id : ids)
        if (id != 0) reservedIds().insert(id);
}

bool TavObject::isIdReserved(int id) { return reservedIds().count(id) != 0; }

void TavObject::assignId(int id) {
    // An object that already has an id keeps it unless another one is given explicitly.
    if (id_ != 0 && (id == 0 || id_ == id)) return;
    releaseId();
    if (id == 0) {
        // The smallest free id at or above the counter; the counter moves past taken ones.
        auto& ids = idSet();
        const auto& reserved = reservedIds();
        while (ids.count(idCounter_) || reserved.count(idCounter_)) ++idCounter_;
        id = idCounter_;
    }
    id_ = id;
    idSet().insert(id);
}

void TavObject::releaseId() {
    if (id_ == 0) return;
    auto& ids = idSet();
    auto it = ids.find(id_);
    if (it != ids.end()) ids.erase(it);
    id_ = 0;
}

std::wstring TavObject::GetFilePath() { return std::wstring(); }

int TavObject::OpenDocument(XmlDocument& doc) {
    std::wstring path = GetFilePath();
    if (path.empty()) return 0;
    if (!doc.loadFile(path) || !doc.isWellFormed()) {
        if (!isMissingFile(path)) {
            // An existing file that does not load is kept beside its successor; when it cannot
            // even be copied (unreadable, locked) it is left alone and nothing is opened.
            if (!CopyFileW(path.c_str(), (path + L".bad").c_str(), FALSE)) return 0;
        }
        doc.setDocument(L"");
        if (!doc.saveFile(path)) return 0;
    }
    if (!doc.findElement(objectName().c_str())) {
        doc.addElement(objectName().c_str());
        doc.intoElement();
        doc.addElement(L"ID", objectId());
        doc.outOfElement();
        doc.saveFile(path);
    }
    return 1;
}

void TavObject::reservedOperation() {}

bool TavObject::findElementByText(XmlDocument& doc, const wchar_t* element, const wchar_t* attribute,
                                  const std::wstring& value) {
    while (doc.findElement(element)) {
        if (doc.getAttribute(attribute) == value) return true;
    }
    return false;
}

bool TavObject::findElementByNumber(XmlDocument& doc, const wchar_t* element, const wchar_t* attribute,
                                    int value) {
    while (doc.findElement(element)) {
        if (parseDecimal(doc.getAttribute(attribute)) == value) return true;
    }
    return false;
}

bool TavObject::findElementByData(XmlDocument& doc, const wchar_t* element, const std::wstring& value) {
    while (doc.findElement(element)) {
        if (doc.getData() == value) return true;
    }
    return false;
}

bool TavObject::findElementByDataNumber(XmlDocument& doc, const wchar_t* element, int value) {
    while (doc.findElement(element)) {
        if (parseDecimal(doc.getData()) == value) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// TavObjectSub

TavObjectSub::TavObjectSub() { setObjectName(L"TavObjectSub"); }

TavObjectSub::~TavObjectSub() { unregisterHandle(); }

TavObjectSub* TavObjectSub::fromHandle(HWND window) {
    if (!window) return nullptr;
    auto& map = handleMap();
    auto it = map.find(window);
    return it == map.end() ? nullptr : it->second;
}

void TavObjectSub::mapHandle(HWND window, TavObjectSub* object) {
    if (window) handleMap()[window] = object;
}

void TavObjectSub::unregisterHandle() {
    if (!hwnd_) return;
    auto& map = handleMap();
    auto it = map.find(hwnd_);
    if (it == map.end() || it->second != this) return;
    if (previousProc_ && IsWindow(hwnd_) &&
        GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&sharedWindowProc)) {
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    }
    map.erase(it);
}

void TavObjectSub::accept() {
    if (hwnd_) EndDialog(hwnd_, IDOK);
}

void TavObjectSub::cancel() {
    if (hwnd_) EndDialog(hwnd_, IDCANCEL);
}

LRESULT TavObjectSub::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return defaultProc(message, wParam, lParam);
}

LRESULT TavObjectSub::defaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (previousProc_) return CallWindowProcW(previousProc_, hwnd_, message, wParam, lParam);
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void TavObjectSub::attach(int id, HWND window) {
    if (hwnd_ && hwnd_ != window) unregisterHandle();
    assignId(id);
    hwnd_ = window;
    previousProc_ = nullptr;
    if (!window) return;
    auto previous = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&sharedWindowProc));
    if (previous != reinterpret_cast<LONG_PTR>(&sharedWindowProc))
        previousProc_ = reinterpret_cast<WNDPROC>(previous);
    mapHandle(window, this);
}

void TavObjectSub::modalStart() {}

bool TavObjectSub::create(int id, const wchar_t* name, DWORD exStyle, DWORD style, int x, int y, int width,
                          int height, HWND parent) {
    HINSTANCE instance = tavwnd::moduleInstance();
    tavwnd::ensureWindowClass(instance, L"TavWnd");
    HWND window = CreateWindowExW(exStyle, L"TavWnd", name ? name : L"", style, x, y, width, height, parent,
                                  nullptr, instance, nullptr);
    attach(id, window);
    return hwnd_ != nullptr;
}

LRESULT CALLBACK TavObjectSub::sharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TavObjectSub* object = fromHandle(window);
    if (!object) return DefWindowProcW(window, message, wParam, lParam);
    // Nothing may unwind through the platform's dispatcher: a failure inside a handler stops a
    // checked build and otherwise ends that message with the default answer.
    return tavGuardBoundary(
        "window procedure", message, [&] { return object->windowProc(message, wParam, lParam); },
        [&] { return DefWindowProcW(window, message, wParam, lParam); });
}
