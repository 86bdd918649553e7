#pragma once
// Conversions between pixel and point font sizes, as the RTF writer ("fs") and reader use them.
// Both ask GDI+ for the logical height of real fonts, so GdiplusStartup must have run.
#include <string>

// Smallest whole point size (5 … 999) whose font is at least as tall as a font of `pixels`
// pixels; `pixels` itself when none is. Cached per pixel size for the life of the process (the
// first family asked for a size decides). An empty or unknown family uses the sans-serif face.
int pixelsToPoints(int pixels, const std::wstring& family = std::wstring());

// The reverse: smallest whole pixel size (5 … 999) at least as tall as a font of `points`
// points, or `points` when none is. Its own process-wide cache.
int pointsToPixels(int points, const std::wstring& family = std::wstring());
