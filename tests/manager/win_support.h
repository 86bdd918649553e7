#pragma once
// What the manager's window tests share: the fixture that gives each test an empty data folder
// (the installation's images stay), and the message pump.
#include <gtest/gtest.h>
#include <windows.h>

#include "AppPaths.h"
#include "TavTestEnvironment.h"
#include "TempFolder.h"

// Dispatches the queued messages; with a time, keeps doing so for that long.
void pumpMessages(DWORD forMs = 0);

class ManagerWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const std::wstring& appFolder() const { return TavTestEnvironment::folder(); }
};

// A 24-bit bitmap file of one colour (0xRRGGBB).
inline std::string bmpBytes(int width, int height, uint32_t rgb) {
    const int stride = (width * 3 + 3) & ~3;
    std::string b = "BM";
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&](uint16_t v) { b += char(v & 0xFF), b += char(v >> 8); };
    u32(uint32_t(14 + 40 + stride * height)), u32(0), u32(14 + 40);
    u32(40), u32(uint32_t(width)), u32(uint32_t(height)), u16(1), u16(24), u32(0),
        u32(uint32_t(stride * height));
    u32(2835), u32(2835), u32(0), u32(0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            b += char(rgb & 0xFF), b += char((rgb >> 8) & 0xFF), b += char(rgb >> 16);
        b.append(size_t(stride - width * 3), '\0');
    }
    return b;
}
