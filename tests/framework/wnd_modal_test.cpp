// Modal runs hosted in dialog template 102.
#include "wnd_support.h"

using namespace wndtest;

namespace {

// Answers its own modal run as soon as it has started.
class AnsweringWnd : public ColorWnd {
public:
    using ColorWnd::ColorWnd;
    WPARAM answer = IDOK;
    int endCode = 0; // nonzero: accept ends the run with this code instead
    bool foundDuringRun = false;
    int idDuringRun = 0;

    void modalStart() override {
        TavWnd::modalStart();
        idDuringRun = objectId();
        foundDuringRun = findById(objectId()) == this && findByHandle(handle()) == this;
        PostMessageW(handle(), WM_COMMAND, answer, 0);
    }
    void accept() override {
        if (endCode)
            EndDialog(handle(), endCode);
        else
            TavWnd::accept();
    }
};

} // namespace

// Each run is a dialog that is shown with activation; under Wine without a window manager its
// end costs about two seconds, so the cases share one object (which also shows that an object
// can be run again).
TEST(WndModal, RunReturnsTheAnswer) {
    struct Case {
        const char* what;
        WPARAM answer;
        int endCode;
        INT_PTR expected;
    };
    const Case cases[] = {
        {"accept", IDOK, 0, 1},
        {"cancel", IDCANCEL, 0, 2},
        {"own end code", IDOK, 6, 6},
    };
    AnsweringWnd w(0xFF202020);
    for (const Case& c : cases) {
        w.answer = c.answer;
        w.endCode = c.endCode;
        w.foundDuringRun = false;
        INT_PTR result = TavWnd::runModal(&w, nullptr, 20100);
        EXPECT_EQ(result, c.expected) << c.what;
        EXPECT_TRUE(w.foundDuringRun) << c.what;
        EXPECT_EQ(w.idDuringRun, 20100) << c.what;
        EXPECT_EQ(w.handle(), nullptr) << c.what; // the dialog is gone, the object lives
        EXPECT_EQ(TavWnd::pendingModal(), nullptr) << c.what;
    }
    EXPECT_EQ(TavWnd::findById(20100), &w); // found by id until the object goes
    EXPECT_EQ(TavWnd::runModal(nullptr, nullptr, 0), -1);
}
