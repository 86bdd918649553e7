#include "TextAlpha.h"

#include <cmath>
#include <cstddef>
#include <memory>

namespace {

std::unique_ptr<TavLuminanceTables> buildTables() {
    auto t = std::make_unique<TavLuminanceTables>();
    for (int i = 0; i < 256; ++i) {
        double p = std::pow(double(i), 2.2);
        t->red[i] = p * 0.2973;
        t->green[i] = p * 0.6274;
        t->blue[i] = p * 0.0753;
    }
    return t;
}

uint8_t clampChannel(uint8_t v) { return v == 255 ? 254 : v; }

double luminanceRoot(uint8_t blue, uint8_t green, uint8_t red) {
    const TavLuminanceTables& t = luminanceTables();
    double l = t.red[clampChannel(red)] + t.green[clampChannel(green)] + t.blue[clampChannel(blue)];
    return std::pow(l, 1.0 / 2.2);
}

// The probe color at full coverage. The weights sum to 1, so the luminance root of a color is
// at most its brightest channel; for the probe it is about 214. Without this scale the root
// times 1.15 leaves solid text at alpha 245, visibly see-through on a layered window.
double fullCoverageRoot() {
    static const double root =
        luminanceRoot(kTextProbeColor & 0xFF, (kTextProbeColor >> 8) & 0xFF, (kTextProbeColor >> 16) & 0xFF);
    return root;
}

} // namespace

const TavLuminanceTables& luminanceTables() {
    static const std::unique_ptr<TavLuminanceTables> tables = buildTables();
    return *tables;
}

uint8_t textAlphaFromProbe(uint8_t blue, uint8_t green, uint8_t red) {
    double a = luminanceRoot(blue, green, red) / fullCoverageRoot() * 254.0 * 1.15;
    if (a >= 254.0) return 254;
    return uint8_t(a);
}

void applyTextAlpha(uint32_t* target, uint32_t* probe, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t p = probe[i];
        if ((p >> 24) == 0) continue;
        uint32_t a = textAlphaFromProbe(p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF);
        probe[i] = (p & 0x00FFFFFF) | (a << 24);
        target[i] = (target[i] & 0x00FFFFFF) | (a << 24);
    }
}
