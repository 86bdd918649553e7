#include "TavNoteGif.h"

#include "FileSystem.h"
#include "ImageFiles.h"
#include "PromptDraw.h"
#include "Settings.h"

TavNoteGif::TavNoteGif() { setObjectName(L"TavNoteGif"); }

TavNoteGif::~TavNoteGif() { gif_.stopAll(); }

void TavNoteGif::stop() {
    gif_.stopAll();
    path_.clear();
    name_.clear();
}

void TavNoteGif::showPicture(const std::wstring& path) {
    stop();
    const size_t slash = path.find_last_of(L'\\');
    if (!path.empty() && slash != std::wstring::npos && fileExists(path) && handle()) {
        const std::wstring folder = path.substr(0, slash + 1), name = path.substr(slash + 1);
        if (gif_.addPicture(folder, name, handle())) {
            path_ = path;
            name_ = name;
        }
    }
    if (handle() && redrawAll()) present();
}

RECT TavNoteGif::deleteHitArea() const {
    RECT rc{};
    if (handle()) GetClientRect(handle(), &rc);
    return RECT{rc.right - kDeleteSide + 2, 2, rc.right - 2, kDeleteSide - 2};
}

void TavNoteGif::onMouseMove(WPARAM keys, int x, int y) {
    TavWnd::onMouseMove(keys, x, y);
    const RECT r = deleteHitArea();
    const bool hot = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    if (hot == deleteHot_) return;
    deleteHot_ = hot;
    if (redrawAll()) present();
}

void TavNoteGif::onMouseLeave() {
    TavWnd::onMouseLeave();
    if (!deleteHot_) return;
    deleteHot_ = false;
    if (redrawAll()) present();
}

void TavNoteGif::onClick(WPARAM, int x, int y) {
    const RECT r = deleteHitArea();
    if (!deletable_ || x < r.left || x >= r.right || y < r.top || y >= r.bottom) return;
    stop();
    HWND parent = GetParent(handle());
    if (parent) PostMessageW(parent, kPromptMsgDeleteGif, 0, 0);
}

TavMemDC TavNoteGif::renderSelf() {
    RECT rc{};
    GetClientRect(handle(), &rc);
    TavMemDC dc = createMemoryDC(handle(), rc.right, rc.bottom);
    if (!dc) return dc;
    const uint32_t accent = settings().borderMenuColor | 0xFF000000u;
    fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, 0xFFFFFFFF, 255);
    if (!name_.empty()) {
        RECT box{2, 2, rc.right - 2, rc.bottom - 2};
        gif_.drawPicture(name_, dc.dc(), box);
    }
    if (deletable_) {
        const int left = rc.right - kDeleteSide;
        if (deleteHot_) fillAndFrame(dc.dc(), left, 0, kDeleteSide, kDeleteSide, accent, 60);
        drawImageFile(L"delete.png", dc.dc(), left + 4, 4, kDeleteSide - 8, kDeleteSide - 8, handle());
    }
    fillAndFrame(dc.dc(), 0, 0, rc.right, rc.bottom, accent, 0);
    return dc;
}
