#pragma once
// Fixtures of the note window tests: GDI+, the installation's images in a per-process
// application folder, a fresh data tree per test, note files prepared through the store, and a
// message pump.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "NoteStore.h"
#include "TavNoteItem.h"
#include "TavNoteMain.h"

#include <memory>
#include <set>

namespace notewin {

void pump();
// Pumps until the condition holds or about `ms` milliseconds passed.
template <class Pred> bool pumpUntil(Pred pred, int ms = 2000) {
    for (int waited = 0; waited <= ms; waited += 10) {
        pump();
        if (pred()) return true;
        Sleep(10);
    }
    return false;
}

std::wstring installationFolder();
bool exists(const std::wstring& path);
// A note folder in "NoteItems\\" (or in the group's folder) with its file: `ID`, `unique`, the
// rectangle and whatever the caller writes afterwards through the returned store.
TavNoteStore prepareNote(const std::wstring& unique, int id, RECT rect, const std::wstring& group = L"");
// The text of one element of the note file ("" when missing).
std::wstring noteElement(const TavNoteStore& note, const wchar_t* name);

// Each test gets its own application folder with a copy of "sysres".
class NoteWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::wstring app_;
};

// A test with the main window of the program (created by start()), under a mutex name of this
// process so that a running TavNote elsewhere does not make this one the second.
class MainWindowTest : public NoteWindowTest {
protected:
    void SetUp() override {
        NoteWindowTest::SetUp();
        TavNoteMain::setInstanceMutexName(L"TavNoteTest_" + std::to_wstring(GetCurrentProcessId()));
    }
    void TearDown() override {
        main_.reset();
        NoteWindowTest::TearDown();
    }
    TavNoteMain& start() {
        main_ = std::make_unique<TavNoteMain>();
        EXPECT_TRUE(main_->createAt(512, 300));
        pump();
        return *main_;
    }
    std::set<std::wstring> openNames() const {
        std::set<std::wstring> names;
        for (const auto& note : main_->notes()) names.insert(note->unique());
        return names;
    }
    static RECT rectOf(TavNoteItem* note) {
        RECT r{};
        GetWindowRect(note->handle(), &r);
        return r;
    }
    std::unique_ptr<TavNoteMain> main_;
};

} // namespace notewin
