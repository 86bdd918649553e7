// Process set-up of the widget tests and the shared fixtures of widgets_support.h.
#include "widgets_support.h"

#include "TavTestEnvironment.h"
#include "AppPaths.h"
#include "AppState.h"
#include "FolderUtils.h"
#include "TavFont.h"

namespace widgettest {

std::wstring testFolder() { return TavTestEnvironment::folder(); }

std::wstring exeFolder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

namespace {

BOOL CALLBACK collect(HWND window, LPARAM list) {
    auto* out = reinterpret_cast<std::vector<TavNoteCaption*>*>(list);
    if (auto* c = dynamic_cast<TavNoteCaption*>(TavWnd::findByHandle(window)); c && IsWindowVisible(window))
        out->push_back(c);
    return TRUE;
}

ModalDriver* activeDriver = nullptr;

class Environment : public TavTestEnvironment {
public:
    Environment() : TavTestEnvironment(L"widgets", Folder::AppFolderWithImages) {}
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

std::vector<TavNoteCaption*> openCaptions() {
    std::vector<TavNoteCaption*> list;
    EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(&list));
    return list;
}

void clickWindow(HWND window) {
    RECT rc{};
    GetClientRect(window, &rc);
    LPARAM at = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
}

ModalDriver::ModalDriver(std::vector<Step> steps, int tickLimit)
    : steps_(std::move(steps)), tickLimit_(tickLimit) {
    activeDriver = this;
    timer_ = SetTimer(nullptr, 0, 20, &ModalDriver::onTick);
}

ModalDriver::~ModalDriver() {
    if (timer_) KillTimer(nullptr, timer_);
    if (activeDriver == this) activeDriver = nullptr;
}

void CALLBACK ModalDriver::onTick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeDriver) activeDriver->tick();
}

void ModalDriver::tick() {
    // A step may start a nested modal run whose loop delivers further ticks: one step at a time.
    if (busy_) return;
    busy_ = true;
    // The limit holds after the last step too: a run the steps should have ended is ended here.
    if (++ticks_ > tickLimit_ && !abandoned_) {
        bool ended = false;
        for (TavNoteCaption* c : openCaptions()) {
            if (!c->isModal()) continue;
            EndDialog(c->handle(), kAbandoned);
            ended = true;
        }
        abandoned_ = ended || !finished();
        next_ = steps_.size();
    }
    while (!finished() && steps_[next_]()) ++next_;
    busy_ = false;
}

} // namespace widgettest
