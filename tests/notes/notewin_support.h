#pragma once
// Fixtures of the note window tests: GDI+, the installation's images in an application folder per
// test (a fresh data tree each), and note files prepared through the store.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "NoteStore.h"
#include "TavNoteItem.h"
#include "TavNoteMain.h"
#include "TempFolder.h"
#include "TestWait.h"

#include <memory>
#include <set>

namespace notewin {

std::wstring installationFolder();
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
