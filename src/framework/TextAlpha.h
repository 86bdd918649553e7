#pragma once
// Alpha of anti-aliased text from the luminance of a probe rendering.
//
// Text is drawn twice: once in the caller's color, once with the probe brush kProbeColor. The
// probe pixels' luminance (gamma 2.2, weights 0.2973 / 0.6274 / 0.0753) tells how much of each
// pixel the glyph covers; that coverage becomes the alpha of the caller's rendering.
#include <cstdint>

inline constexpr uint32_t kTextProbeColor = 0xFE78FE1E;

// The three luminance tables, 256 entries each: i^2.2 times the channel's weight.
struct TavLuminanceTables {
    double red[256];
    double green[256];
    double blue[256];
};
// Built on first use, once per process.
const TavLuminanceTables& luminanceTables();

// Alpha for one probe pixel given its color bytes as the rasteriser wrote them. Channel bytes
// of 255 count as 254. The luminance root is scaled so that a fully covered probe pixel reaches
// 254 and then boosted by 1.15 (thin strokes stay legible), truncated and capped at 254.
uint8_t textAlphaFromProbe(uint8_t blue, uint8_t green, uint8_t red);

// Rewrites the alpha of `target` from `probe` for every probe pixel whose alpha is at least 1;
// both buffers hold `count` pixels in the same order. Color bytes of `target` stay as they are.
void applyTextAlpha(uint32_t* target, uint32_t* probe, size_t count);
