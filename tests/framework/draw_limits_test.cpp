// Picture files larger than the bounds are refused before GDI+ decodes them: the header size
// readers on tables of well-formed, cut-short and hostile headers, and whole files drawn.
#include <gtest/gtest.h>

#include "DrawToolkit.h"
#include "ImageFiles.h"
#include "draw_support.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void put16le(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32le(Bytes& b, uint32_t v) {
    put16le(b, v & 0xFFFF);
    put16le(b, v >> 16);
}
void put16be(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
void put32be(Bytes& b, uint32_t v) {
    put16be(b, v >> 16);
    put16be(b, v & 0xFFFF);
}
Bytes text(const char* s) { return Bytes(s, s + std::char_traits<char>::length(s)); }
Bytes join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A 32 bpp bottom-up BMP; its pixels (all `argb`) only when `withPixels`.
Bytes bmp(int32_t width, int32_t height, bool withPixels, uint32_t argb = 0xFF00FF00) {
    uint64_t pixels = withPixels ? uint64_t(width) * uint64_t(height < 0 ? -height : height) : 0;
    Bytes b = text("BM");
    put32le(b, uint32_t(54 + pixels * 4));
    put32le(b, 0);
    put32le(b, 54);
    put32le(b, 40);
    put32le(b, uint32_t(width));
    put32le(b, uint32_t(height));
    put16le(b, 1);
    put16le(b, 32);
    put32le(b, 0); // BI_RGB
    put32le(b, uint32_t(pixels * 4));
    put32le(b, 2835);
    put32le(b, 2835);
    put32le(b, 0);
    put32le(b, 0);
    for (uint64_t i = 0; i < pixels; ++i) put32le(b, argb);
    return b;
}

Bytes bmpCore(uint16_t width, uint16_t height) {
    Bytes b = text("BM");
    put32le(b, 26);
    put32le(b, 0);
    put32le(b, 26);
    put32le(b, 12);
    put16le(b, width);
    put16le(b, height);
    put16le(b, 1);
    put16le(b, 24);
    return b;
}

Bytes png(uint32_t width, uint32_t height) {
    Bytes b = text("\x89PNG\r\n\x1a\n");
    put32be(b, 13);
    b = join(b, text("IHDR"));
    put32be(b, width);
    put32be(b, height);
    return join(b, Bytes{8, 6, 0, 0, 0, 0, 0, 0, 0});
}

Bytes gif(uint16_t width, uint16_t height) {
    Bytes b = text("GIF89a");
    put16le(b, width);
    put16le(b, height);
    return join(b, Bytes{0, 0, 0});
}

// SOI, an APP0 segment of `appLength` bytes, fill bytes, then a frame header of `marker`.
Bytes jpeg(uint8_t marker, uint16_t width, uint16_t height, uint16_t appLength = 16) {
    Bytes b{0xFF, 0xD8, 0xFF, 0xE0};
    put16be(b, appLength);
    b.resize(b.size() + appLength - 2, 0);
    b = join(b, Bytes{0xFF, 0xFF, marker});
    put16be(b, 17);
    b.push_back(8);
    put16be(b, height);
    put16be(b, width);
    b.resize(b.size() + 10, 0);
    return b;
}

struct HeaderCase {
    const char* name;
    Bytes bytes;
    bool known;
    uint32_t width, height;
};

std::vector<HeaderCase> headerCases() {
    Bytes small = jpeg(0xC0, 5, 6), nine = jpeg(0xC0, 9, 9), pngNine = png(9, 9);
    Bytes dhtFirst{0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x04, 0x00, 0x00}; // a table, then the frame
    dhtFirst = join(dhtFirst, Bytes(small.begin() + 2, small.end()));
    return {
        {"png", png(20000, 3), true, 20000, 3},
        {"gif", gif(300, 65535), true, 300, 65535},
        {"bmp", bmp(30000, 30000, false), true, 30000, 30000},
        {"bmp top-down", bmp(7, -9, false), true, 7, 9},
        {"bmp negative width", bmp(-5, 9, false), true, 5, 9},
        {"bmp core header", bmpCore(640, 480), true, 640, 480},
        {"jpeg baseline", jpeg(0xC0, 1024, 768), true, 1024, 768},
        {"jpeg progressive", jpeg(0xC2, 40000, 10), true, 40000, 10},
        {"jpeg frame after a table", dhtFirst, true, 5, 6},
        {"empty", {}, false, 0, 0},
        {"png cut short", Bytes(pngNine.begin(), pngNine.begin() + 23), false, 0, 0},
        {"gif cut short", Bytes{'G', 'I', 'F', '8', '9', 'a', 1}, false, 0, 0},
        {"bmp unknown header size", join(text("BM"), Bytes(24, 0)), false, 0, 0},
        {"jpeg cut inside the frame header", Bytes(nine.begin(), nine.begin() + 22), false, 0, 0},
        {"jpeg scan before any frame", Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xC0}, false, 0, 0},
        {"jpeg segment length 0", Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x00, 0xFF, 0xC0, 0, 0}, false, 0, 0},
        {"jpeg garbage between segments", Bytes{0xFF, 0xD8, 0x12, 0x34, 0xFF, 0xC0, 0, 0, 0, 0, 0}, false, 0,
         0},
        {"text", text("plain text, not a picture"), false, 0, 0},
    };
}

TEST(ImageLimits, HeaderSizesAreReadWithoutDecoding) {
    for (const HeaderCase& c : headerCases()) {
        SCOPED_TRACE(c.name);
        std::optional<ImageSize> size = imageHeaderSize(c.bytes.data(), c.bytes.size());
        ASSERT_EQ(size.has_value(), c.known);
        if (!c.known) continue;
        EXPECT_EQ(size->width, c.width);
        EXPECT_EQ(size->height, c.height);
    }
}

TEST(ImageLimits, EveryPrefixOfAHeaderIsReadSafely) {
    for (const HeaderCase& c : headerCases()) {
        SCOPED_TRACE(c.name);
        for (size_t n = 0; n < c.bytes.size(); ++n) {
            // A cut header gives the full answer or none, never a size made from missing bytes.
            std::optional<ImageSize> size = imageHeaderSize(c.bytes.data(), n);
            if (size && c.known) {
                EXPECT_EQ(size->width, c.width);
                EXPECT_EQ(size->height, c.height);
            }
        }
    }
}

TEST(ImageLimits, SizesBeyondTheBoundsAreRefused) {
    struct Case {
        uint64_t width, height;
        bool allowed;
    } cases[] = {
        {1, 1, true},
        {kMaxImageSide, 1, true},
        {kMaxImageSide + 1, 1, false},
        {1, kMaxImageSide + 1, false},
        {8192, 8192, true}, // exactly the pixel bound
        {8192, 8193, false},
        {kMaxImageSide, kMaxImageSide, false},
        {0, 10, false},
        {10, 0, false},
        {0xFFFFFFFFull, 0xFFFFFFFFull, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(imageSizeAllowed(c.width, c.height), c.allowed);
    }
}

class ImageFileLimitTest : public ::testing::Test {
protected:
    void SetUp() override { folder = drawTestFolder(L"limits"); }
    std::wstring write(const wchar_t* name, const Bytes& bytes) {
        std::wstring path = folder + name;
        FILE* f = _wfopen(path.c_str(), L"wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
            fclose(f);
        }
        return path;
    }
    // Draws the file over a canvas of one color; true when anything changed.
    bool drawsAnything(const std::wstring& path) {
        TavMemDC canvas(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) canvas.at(x, y) = 0xFF102030;
        bool drawn = drawImageFile(path, canvas.dc(), 0, 0, 8, 8);
        GdiFlush();
        bool changed = false;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) changed |= canvas.at(x, y) != 0xFF102030;
        EXPECT_EQ(drawn, changed);
        return changed;
    }
    std::wstring folder;
};

TEST_F(ImageFileLimitTest, AFileOverTheBoundIsTreatedAsMissing) {
    struct Case {
        const wchar_t* name;
        Bytes bytes;
        bool loads;
    } cases[] = {
        // Whole, readable files on either side of the side bound: only the bound tells them apart.
        {L"at-bound.bmp", bmp(int32_t(kMaxImageSide), 1, true), true},
        {L"over-bound.bmp", bmp(int32_t(kMaxImageSide) + 1, 1, true), false},
        // Headers that claim gigapixels, with no pixels behind them.
        {L"huge.bmp", bmp(30000, 30000, false), false},
        {L"huge-top-down.bmp", bmp(30000, -30000, false), false},
        {L"huge.png", png(20000, 20000), false},
        {L"huge.gif", gif(65535, 65535), false},
        {L"huge.jpg", jpeg(0xC0, 65535, 65535), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        std::wstring path = write(c.name, c.bytes);
        TavGpImage image = loadImageFile(path);
        EXPECT_EQ(image != nullptr, c.loads);
        EXPECT_EQ(drawsAnything(path), c.loads);
    }
}

} // namespace
