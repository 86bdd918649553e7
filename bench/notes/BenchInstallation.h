#pragma once
// What the note benchmarks share: the installation folder of this build and a small picture.
#include <windows.h>

#include <cstdint>
#include <string>

namespace benchnotes {

// The installation of this build: bench/notes/ sits two levels below the build folder.
inline std::wstring buildInstallation() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    for (int up = 0; up < 3; ++up) path.resize(path.rfind(L'\\'));
    return path + L"\\TavNote\\";
}

// A 48 x 48 picture in one color as a 24-bit BMP file's bytes.
inline std::string bmpBytes() {
    const int w = 48, h = 48, row = w * 3, size = 54 + row * h;
    std::string b(size_t(size), '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 255);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, uint32_t(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    b[26] = 1;
    b[28] = 24;
    for (int i = 54; i < size; i += 3) {
        b[size_t(i)] = char(0x30);
        b[size_t(i) + 1] = char(0x90);
        b[size_t(i) + 2] = char(0xE0);
    }
    return b;
}

} // namespace benchnotes
