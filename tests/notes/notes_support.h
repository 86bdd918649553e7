#pragma once
// A fresh application folder per test (the data tree is made in it), and byte helpers.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "NoteStore.h"
#include "TempFolder.h"

std::string utf8(const std::wstring& text);

// 7 December 2026, 04:33:55.123 plus the given seconds (0 to 4).
SYSTEMTIME sampleTime(int secondsLater = 0);

class NoteFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The application folder of this test, ending in a backslash.
    const std::wstring& appFolder() const { return app_; }
    // A note of the system group with its file written by the given note's own operations.
    TavNoteStore plainNote(const std::wstring& unique = L"20261207043355123_100001", int id = 100001);

private:
    std::wstring app_;
};
