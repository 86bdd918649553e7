#include "TavNoteMenuSelTpl.h"

#include "ManagerDraw.h"

#include <algorithm>

#include "AppPaths.h"
#include "Messages.h"
#include "TavNoteItem.h"

TavNoteMenuSelTpl::TavNoteMenuSelTpl(std::wstring statePath, TavManagerDialogs dialogs)
    : TavNoteCaption(L"选择模板", kContentWidth, kContentHeight), statePath_(std::move(statePath)),
      dialogs_(std::move(dialogs)) {
    setObjectName(L"TavNoteMenuSelTpl");
    setIcon(L"TavNote.png");
}

TavNoteMenuSelTpl::~TavNoteMenuSelTpl() { clearManagerTextCache(); }

RECT TavNoteMenuSelTpl::pageRect() const {
    const SIZE size = windowSize();
    const int b = borderWidth();
    return RECT{b, b + captionHeight(), std::max<int>(b + 1, size.cx - b),
                std::max<int>(b + captionHeight() + 1, size.cy - b)};
}

void TavNoteMenuSelTpl::createControls() {
    TavNoteCaption::createControls();
    if (page_) return;
    page_ = std::make_unique<TavNMiTpl>(statePath_, dialogs_, kScale, handle(), kNoteMsgTemplateChosen);
    if (!page_->createChild(handle(), 0, pageRect())) page_.reset();
}

void TavNoteMenuSelTpl::layoutControls() {
    TavNoteCaption::layoutControls();
    if (!page_ || !page_->handle()) return;
    const RECT r = pageRect();
    MoveWindow(page_->handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

LRESULT TavNoteMenuSelTpl::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kNoteMsgTemplateChosen && message != kNoteMsgApplyTemplate)
        return TavNoteCaption::windowProc(message, wParam, lParam);
    // Passed on unchanged: the strings stay alive until the target has returned.
    HWND target = target_ ? target_ : placementParent_;
    if (target && IsWindow(target)) SendMessageW(target, message, wParam, lParam);
    closeWith(kNoteResultOk);
    return 0;
}

void runTemplateChooser(TavNoteItem& note) {
    if (!note.handle()) return;
    TavNoteMenuSelTpl chooser(sysconfigPath());
    chooser.runModal(note.handle(), kTemplateChooserId);
}
