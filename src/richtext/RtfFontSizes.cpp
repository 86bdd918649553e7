#include "RtfFontSizes.h"

#include <windows.h>
#include <gdiplus.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace {

// The export thread writes RTF too, so the caches are guarded.
std::mutex g_sizeMutex;
std::map<int, int> g_pointsForPixels;
std::map<int, int> g_pixelsForPoints;

constexpr int kFirstCandidate = 5;
constexpr int kLastCandidate = 999;

// Requested face, else the generic sans-serif family, else the first installed family.
std::unique_ptr<Gdiplus::FontFamily> familyFor(const std::wstring& name) {
    if (!name.empty()) {
        auto fam = std::make_unique<Gdiplus::FontFamily>(name.c_str());
        if (fam->GetLastStatus() == Gdiplus::Ok && fam->IsAvailable()) return fam;
    }
    if (const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif()) {
        if (generic->IsAvailable()) return std::unique_ptr<Gdiplus::FontFamily>(generic->Clone());
    }
    Gdiplus::InstalledFontCollection installed;
    if (installed.GetFamilyCount() > 0) {
        auto fam = std::make_unique<Gdiplus::FontFamily>();
        INT found = 0;
        installed.GetFamilies(1, fam.get(), &found);
        if (found == 1) return fam;
    }
    return nullptr;
}

// Measures |lfHeight| of fonts of one family on a screen-compatible device context.
class HeightProbe {
public:
    explicit HeightProbe(const std::wstring& familyName)
        : m_dc(CreateCompatibleDC(nullptr)), m_family(familyFor(familyName)) {
        if (m_dc) m_graphics = std::make_unique<Gdiplus::Graphics>(m_dc);
    }
    ~HeightProbe() {
        m_graphics.reset();
        if (m_dc) DeleteDC(m_dc);
    }
    HeightProbe(const HeightProbe&) = delete;
    HeightProbe& operator=(const HeightProbe&) = delete;

    // 0 when the font cannot be made.
    int height(int size, Gdiplus::Unit unit) const {
        if (!m_graphics || !m_family || size <= 0) return 0;
        Gdiplus::Font font(m_family.get(), Gdiplus::REAL(size), Gdiplus::FontStyleRegular, unit);
        if (font.GetLastStatus() != Gdiplus::Ok) return 0;
        LOGFONTW lf{};
        if (font.GetLogFontW(m_graphics.get(), &lf) != Gdiplus::Ok) return 0;
        return std::abs(int(lf.lfHeight));
    }

private:
    HDC m_dc;
    std::unique_ptr<Gdiplus::FontFamily> m_family;
    std::unique_ptr<Gdiplus::Graphics> m_graphics;
};

// First candidate size in the other unit whose font is at least as tall as `size` in `from`.
// Heights grow with the size, so a binary search finds the same first size as a linear scan.
int convert(int size, Gdiplus::Unit from, Gdiplus::Unit to, const std::wstring& family) {
    HeightProbe probe(family);
    const int reference = probe.height(size, from);
    if (reference <= 0 || probe.height(kLastCandidate, to) < reference) return size;
    int lo = kFirstCandidate, hi = kLastCandidate;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (probe.height(mid, to) >= reference)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

int cachedConvert(std::map<int, int>& cache, int size, Gdiplus::Unit from, Gdiplus::Unit to,
                  const std::wstring& family) {
    std::lock_guard<std::mutex> lock(g_sizeMutex);
    auto it = cache.find(size);
    if (it != cache.end()) return it->second;
    const int result = convert(size, from, to, family);
    cache.emplace(size, result);
    return result;
}

} // namespace

int pixelsToPoints(int pixels, const std::wstring& family) {
    return cachedConvert(g_pointsForPixels, pixels, Gdiplus::UnitPixel, Gdiplus::UnitPoint, family);
}

int pointsToPixels(int points, const std::wstring& family) {
    return cachedConvert(g_pixelsForPoints, points, Gdiplus::UnitPoint, Gdiplus::UnitPixel, family);
}
