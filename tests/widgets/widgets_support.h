#pragma once
// Fixtures of the widget tests: the process set-up (GDI+, module instance, an application folder
// of the tests' own with a copy of the installation's "sysres" images), a message pump, and a
// driver that acts inside modal runs from a thread timer, so that no test waits for a person.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "TavNoteCaption.h"
#include "TestWait.h"

namespace widgettest {

std::wstring testFolder();
// The folder of the test executable (screenshots go there, inside the build folder).
std::wstring exeFolder();

// Every visible captioned window of this thread, in no particular order.
std::vector<TavNoteCaption*> openCaptions();
template <typename T> T* findOpen(const TavNoteCaption* other = nullptr) {
    for (TavNoteCaption* c : openCaptions())
        if (auto* t = dynamic_cast<T*>(c); t && c != other) return t;
    return nullptr;
}

// Posts a real press and release to the middle of a child window (a button).
void clickWindow(HWND window);

// Runs steps from a thread timer while a modal run is up. A step returns true when it is done
// and the next one may start; a step that is not ready returns false and is asked again on the
// next tick. When the dialogs are still up after the tick limit (the steps unfinished, or done
// without ending the run), every open dialog is ended with kAbandoned so that the test fails
// instead of hanging.
class ModalDriver {
public:
    using Step = std::function<bool()>;
    static constexpr INT_PTR kAbandoned = -77;

    explicit ModalDriver(std::vector<Step> steps, int tickLimit = 400);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    bool finished() const { return next_ >= steps_.size(); }
    bool abandoned() const { return abandoned_; }

private:
    static void CALLBACK onTick(HWND, UINT, UINT_PTR, DWORD);
    void tick();

    std::vector<Step> steps_;
    size_t next_ = 0;
    int ticks_ = 0;
    int tickLimit_;
    bool abandoned_ = false;
    bool busy_ = false;
    UINT_PTR timer_ = 0;
};

} // namespace widgettest
