#include "TavNoteCaption.h"

#include <algorithm>

#include "AppPaths.h"
#include "DrawToolkit.h"
#include "FileDialogs.h"
#include "FolderUtils.h"
#include "FileSystem.h"
#include "ImageFiles.h"
#include "Settings.h"
#include "TavNoteMessageBox.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr int kIconSide = 16;
constexpr int kIconLeft = 5;
constexpr int kTitleGap = 5;

std::wstring fileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void line(const TavMemDC& dc, int x0, int x1, int y, uint32_t argb) {
    if (y < 0 || y >= dc.height()) return;
    uint32_t pixel = premultiply(argb);
    for (int x = std::max(0, x0); x < std::min(x1, dc.width()); ++x) dc.at(x, y) = pixel;
}

} // namespace

TavNoteCaption::TavNoteCaption(std::wstring title, int width, int height)
    : title_(std::move(title)), close_(std::wstring(), L"close.png") {
    setObjectName(L"TavNoteCaption");
    metrics_.captionHeight = GetSystemMetrics(SM_CYCAPTION);
    width_ = width + 2 * metrics_.border;
    height_ = height + 2 * metrics_.border;
    // Dialogs move by their caption bar; their size is their own.
    setResizeEnabled(false);
}

TavNoteCaption::~TavNoteCaption() = default;

void TavNoteCaption::onCreated() {
    TavWndMoveResize::onCreated();
    HWND self = handle();
    if (!(GetWindowLongW(self, GWL_STYLE) & WS_CHILD)) {
        LONG ex = GetWindowLongW(self, GWL_EXSTYLE);
        if (!(ex & WS_EX_LAYERED)) SetWindowLongW(self, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    }
    SetWindowTextW(self, title_.c_str());
    createControls();
    // The dialog host has a size of its own; the window takes the content size plus the border.
    // The size change renders the background and lays the controls out.
    SetWindowPos(self, nullptr, 0, 0, width_, height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!background_) {
        renderBackground();
        layoutControls();
    }
}

void TavNoteCaption::createControls() {
    if (!close_.handle()) close_.createChild(handle(), kNoteCloseId, closeButtonRect(windowSize(), metrics_));
}

void TavNoteCaption::layoutControls() {
    RECT r = closeButtonRect(windowSize(), metrics_);
    if (close_.handle())
        MoveWindow(close_.handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

void TavNoteCaption::onSized(WPARAM flag, int width, int height) {
    RECT rc{};
    GetWindowRect(handle(), &rc);
    width_ = rc.right - rc.left;
    height_ = rc.bottom - rc.top;
    renderBackground();
    layoutControls();
    TavWndMoveResize::onSized(flag, width, height);
}

void TavNoteCaption::onDestroyed() {
    TavWndMoveResize::onDestroyed();
    background_ = TavMemDC();
}

void TavNoteCaption::renderBackground() {
    ++backgroundVersion_;
    background_ = TavMemDC(); // released before the new one is made
    RECT rc{};
    GetClientRect(handle(), &rc);
    SIZE size{rc.right, rc.bottom};
    TavMemDC dc = createMemoryDC(handle(), size.cx, size.cy, kWhite);
    if (!dc) return;
    bool image = false;
    if (!backgroundImage_.empty()) {
        std::wstring path = capNoteFolder(objectId()) + backgroundImage_;
        image = drawImageFile(path, dc.dc(), 0, 0, size.cx, size.cy, handle());
    }
    if (!image) {
        uint32_t accent = settings().borderMenuColor | 0xFF000000u;
        line(dc, metrics_.border, size.cx - metrics_.border, metrics_.border + metrics_.captionHeight,
             accent);
        // A thin frame keeps the white dialog apart from a white desktop.
        fillAndFrame(dc.dc(), 0, 0, size.cx, size.cy, accent, 0);
    }
    drawCaption(dc.dc(), size);
    background_ = std::move(dc);
}

void TavNoteCaption::drawCaption(HDC dc, SIZE window) {
    RECT bar = captionBarRect(window, metrics_);
    int x = bar.left + kIconLeft;
    if (!icon_.empty()) {
        int side = std::min(kIconSide, metrics_.captionHeight - 2);
        if (side > 0 &&
            drawImageFile(icon_, dc, x, bar.top + (metrics_.captionHeight - side) / 2, side, side, handle()))
            x += side + kTitleGap;
    }
    if (title_.empty()) return;
    RECT close = closeButtonRect(window, metrics_);
    int width = close.left - 2, height = bar.bottom;
    if (width <= x || height <= bar.top) return;
    TavGpStringFormat format =
        makeStringFormat(title_, Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter);
    format->SetFormatFlags(format->GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap);
    format->SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    TavMemDC text = drawText(handle(), title_, defaultFont(13.0f), defaultTextBrush(), format.get(), x,
                             bar.top, width, height);
    blendLayer(dc, text, 0, 0);
}

void TavNoteCaption::blendLayer(HDC dc, const TavMemDC& layer, int x, int y) {
    if (!layer) return;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, layer.width(), layer.height(), layer.dc(), 0, 0, layer.width(), layer.height(),
               blend);
}

uint64_t TavNoteCaption::keptImageKey() const {
    RECT rc{};
    GetClientRect(handle(), &rc);
    return (uint64_t(backgroundVersion_) << 32 | uint64_t(rc.right & 0xFFFF) << 16 |
            uint64_t(rc.bottom & 0xFFFF)) +
           1;
}

TavMemDC TavNoteCaption::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    if (!background_ || background_.width() != rc.right || background_.height() != rc.bottom)
        renderBackground();
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (dc && background_) BitBlt(dc.dc(), 0, 0, rc.right, rc.bottom, background_.dc(), 0, 0, SRCCOPY);
    return dc;
}

void TavNoteCaption::setTitle(const std::wstring& title) {
    title_ = title;
    if (!handle()) return;
    SetWindowTextW(handle(), title_.c_str());
    renderBackground();
    if (redrawAll()) present();
}

void TavNoteCaption::setIcon(const std::wstring& image) {
    icon_ = image;
    if (!handle()) return;
    renderBackground();
    if (redrawAll()) present();
}

void TavNoteCaption::zoneHitTest(int screenX, int screenY, const RECT& windowRect) {
    TavWndMoveResize::zoneHitTest(screenX, screenY, windowRect);
    POINT pt{screenX, screenY};
    if ((pressFlag() && ownsVisibleOutline()) || !PtInRect(&windowRect, pt) || zone() != kZoneNone) return;
    // The caption bar drags the window.
    RECT bar = captionBarRect(SIZE{windowRect.right - windowRect.left, windowRect.bottom - windowRect.top},
                              metrics_);
    OffsetRect(&bar, windowRect.left, windowRect.top);
    bar.top = windowRect.top; // the border above the bar drags too
    if (PtInRect(&bar, pt)) setCursorKind(kCursorSizeAll);
}

LRESULT TavNoteCaption::onCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTavMsgButtonClicked || message == kTavMsgCommand) {
        onControl(static_cast<int>(wParam));
        return 0;
    }
    return TavWndMoveResize::onCommand(message, wParam, lParam);
}

void TavNoteCaption::onControl(int controlId) {
    switch (controlId) {
    case kNoteOkId:
        onOk();
        break;
    case kNoteCancelId:
    case kNoteCloseId:
        onCancel();
        break;
    default:
        break;
    }
}

void TavNoteCaption::onOk() { closeWith(kNoteResultOk); }
void TavNoteCaption::onCancel() { closeWith(kNoteResultCancel); }
void TavNoteCaption::accept() { onOk(); }
void TavNoteCaption::cancel() { onCancel(); }

void TavNoteCaption::closeWith(int result) {
    lastResult_ = result;
    HWND self = handle();
    if (!self) return;
    if (modal_) {
        EndDialog(self, result);
        return;
    }
    // Posted: the close button that asked is still inside its own message handling.
    PostMessageW(self, WM_CLOSE, 0, 0);
}

INT_PTR TavNoteCaption::runModal(HWND parent, int id) {
    placementParent_ = parent;
    modal_ = true;
    lastResult_ = 0;
    INT_PTR result = TavWnd::runModal(this, parent, id);
    modal_ = false;
    return result;
}

void TavNoteCaption::modalStart() {
    // Also reached when the dialog host was started without runModal() above.
    modal_ = true;
    placeOverParent();
    TavWndMoveResize::modalStart();
    SetForegroundWindow(handle());
    // The keyboard belongs to the dialog, so that Enter and Escape reach its dialog manager.
    if (!focusedWindow() || !focusedWindow()->isDescendantOf(this)) takeFocus();
}

bool TavNoteCaption::createModeless(HWND parent, int id) {
    placementParent_ = parent;
    modal_ = false;
    lastResult_ = 0;
    if (!create(id, title_.c_str(), WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, width_, height_,
                parent))
        return false;
    placeOverParent();
    show(SW_SHOW);
    if (redrawAll()) present();
    SetForegroundWindow(handle());
    return true;
}

void TavNoteCaption::placeOverParent() {
    HWND parent = placementParent_ ? placementParent_ : GetWindow(handle(), GW_OWNER);
    RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    // A hidden parent (the program's main window is one) has no place worth centring on.
    if (parent && IsWindow(parent) && IsWindowVisible(parent)) {
        RECT r{};
        GetWindowRect(parent, &r);
        if (!IsRectEmpty(&r)) over = r;
    }
    RECT work = over;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromRect(&over, MONITOR_DEFAULTTONEAREST), &info)) work = info.rcWork;
    POINT pt = placeDialog(over, windowSize(), placesAtOneThird(), work);
    SetWindowPos(handle(), nullptr, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TavNoteCaption::askOverwrite() { return askOverwriteFile(handle()); }

bool TavNoteCaption::setBackgroundImage(const std::wstring& sourcePath) {
    std::wstring name = fileNameOf(sourcePath);
    if (name.empty() || !fileExists(sourcePath)) return false;
    std::wstring folder = capNoteFolder(objectId());
    if (folder.empty()) return false;
    // A failed copy keeps the old background: the window must not point at a missing file.
    if (!copyPictureInto(sourcePath, folder + name, [&] { return askOverwrite() == kNoteResultYes; }))
        return false;
    backgroundImage_ = name;
    if (handle()) {
        renderBackground();
        if (redrawAll()) present();
    }
    return true;
}

void TavNoteCaption::chooseBackgroundImage() {
    TavFileChoice choice = openFileDialog(handle(), kImageFileFilter, kImageDialogTitle);
    if (!choice.path.empty()) setBackgroundImage(choice.path);
}
