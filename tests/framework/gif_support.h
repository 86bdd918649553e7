#pragma once
// Small GIF files made by the tests themselves: a GIF89a writer for solid-color frames (GDI+
// cannot write animations), and PNG files through GDI+.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "TestWait.h"

namespace giftest {

std::wstring testRoot();

// The color table of the generated GIFs: 0 red, 1 green, 2 blue, 3 white.
inline constexpr uint32_t kGifColors[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};

// A GIF89a of width x height whose frame i is filled with color index colors[i]. A delay of
// -1 leaves the frame without a graphic control extension (so the GIF has no delays).
inline std::string gifBytes(int width, int height, const std::vector<int>& colors,
                            const std::vector<int>& delays) {
    std::string out = "GIF89a";
    auto word = [&out](int v) {
        out += char(v & 0xFF);
        out += char((v >> 8) & 0xFF);
    };
    word(width);
    word(height);
    out += char(0x91); // global color table of 4 entries
    out += '\0';
    out += '\0';
    for (uint32_t c : kGifColors) {
        out += char((c >> 16) & 0xFF);
        out += char((c >> 8) & 0xFF);
        out += char(c & 0xFF);
    }
    if (colors.size() > 1) out += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (size_t f = 0; f < colors.size(); ++f) {
        int delay = f < delays.size() ? delays[f] : 10;
        if (delay >= 0) {
            out += std::string("\x21\xF9\x04\x04", 4); // disposal: restore to background
            word(delay);
            out += std::string("\x00\x00", 2);
        }
        out += '\x2C';
        word(0);
        word(0);
        word(width);
        word(height);
        out += '\0';
        // LZW with 3-bit codes: a clear code before every two pixels keeps the code size fixed.
        out += '\x02';
        std::vector<int> codes;
        int pixels = width * height;
        for (int p = 0; p < pixels; ++p) {
            if (p % 2 == 0) codes.push_back(4);
            codes.push_back(colors[f] & 3);
        }
        codes.push_back(5);
        std::string data;
        uint32_t bits = 0;
        int count = 0;
        for (int code : codes) {
            bits |= uint32_t(code) << count;
            count += 3;
            while (count >= 8) {
                data += char(bits & 0xFF);
                bits >>= 8;
                count -= 8;
            }
        }
        if (count > 0) data += char(bits & 0xFF);
        for (size_t i = 0; i < data.size(); i += 255) {
            size_t n = std::min<size_t>(255, data.size() - i);
            out += char(n);
            out += data.substr(i, n);
        }
        out += '\0';
    }
    out += '\x3B';
    return out;
}

inline bool writeFile(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

inline bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace giftest
