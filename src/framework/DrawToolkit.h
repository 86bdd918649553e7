#pragma once
// The drawing toolkit: memory DCs, fonts and metrics, text with a usable alpha channel, fills,
// gradients, blur and drop shadows, and rectangle helpers. GDI+ must be started by the caller.
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

#include "GdiOwners.h"

// Clears a rectangle of the target DC to transparent black.
void blankDC(HDC target, int x, int y, int width, int height);

// A new memory DC holding a copy of the source's top-left width x height; the source is freed.
TavMemDC copyDC(HWND window, TavMemDC&& source, int width, int height);
// The same from a DC the caller keeps.
TavMemDC copyDC(HWND window, HDC source, int width, int height);

// Fonts come from the TavFont cache; brushes from the TavBrush cache.
Gdiplus::Font* createFont(const std::wstring& face, float size, int style);
// The settings' default face and style at the size (13 for captions and list texts).
Gdiplus::Font* defaultFont(float size = 13.0f);
Gdiplus::SolidBrush* getBrush(uint32_t argb);
// A solid brush of the settings' default text color.
Gdiplus::SolidBrush* defaultTextBrush();

// Font metrics in pixels: (design units) x size / em height, truncated, + 1. 0 for a null font.
int textHeight(const Gdiplus::Font* font); // cell ascent + cell descent
int lineSpacing(const Gdiplus::Font* font);
int fontAscent(const Gdiplus::Font* font);
int defaultLineHeight(); // textHeight(defaultFont(13))

// The format for caller-placed text: generic typographic, trailing spaces measured, the given
// alignments, and one 24-pixel tab stop per tab character of the text.
TavGpStringFormat makeStringFormat(const std::wstring& text,
                                   Gdiplus::StringAlignment horizontal = Gdiplus::StringAlignmentNear,
                                   Gdiplus::StringAlignment vertical = Gdiplus::StringAlignmentNear);
inline constexpr float kTabStopWidth = 24.0f;

// Bounding box of the text with GDI+'s default format, each side truncated + 1.
SIZE measureText(HWND window, const Gdiplus::Font* font, const std::wstring& text);
// The same with the default font at 13 pixels and makeStringFormat(text, ...).
SIZE measureTextFormat(HWND window, const std::wstring& text,
                       Gdiplus::StringAlignment horizontal = Gdiplus::StringAlignmentNear,
                       Gdiplus::StringAlignment vertical = Gdiplus::StringAlignmentNear);

// Start of each tab-separated piece when every tab moves to the next multiple of tabWidth.
std::vector<float> tabPieceStarts(const std::vector<float>& pieceWidths, float tabWidth = kTabStopWidth);

// Draws the text into a new width x height DC inside the layout (x, y, width - x, height - y) and
// gives it an alpha channel from the text's luminance (see TextAlpha.h): transparent where there
// is no ink, 254 where the glyph is solid.
TavMemDC drawText(HWND window, const std::wstring& text, const Gdiplus::Font* font,
                  const Gdiplus::Brush* brush, const Gdiplus::StringFormat* format, int x, int y, int width,
                  int height);
// Default font at 13 pixels, default text brush; the DC is rect.right x rect.bottom.
TavMemDC drawDefaultText(HWND window, const std::wstring& text, Gdiplus::StringAlignment horizontal,
                         Gdiplus::StringAlignment vertical, const RECT& rect);

// Fills with the color's RGB under fillAlpha, then frames with the color as given.
void fillAndFrame(HDC dc, int x, int y, int width, int height, uint32_t argb, uint8_t fillAlpha);

// Left-to-right linear gradient; factor i applies at position i (positions run from 0 to 1).
// Lists that do not form a valid blend (fewer than two pairs, not starting at 0 and ending at 1)
// leave the plain two-color gradient.
void gradientFill(HDC dc, const RECT& rect, uint32_t startArgb, uint32_t endArgb,
                  const std::vector<float>& positions, const std::vector<float>& factors);

// A new DC holding the source blurred with radius 2.
TavMemDC blurredCopy(HWND window, HDC source, int width, int height);

struct TavDropShadow {
    TavMemDC dc;
    RECT placed{}; // where the shadow belongs: the inner rectangle grown by the radius
};
// A (w + 2r) x (h + 2r) shadow of color argb around the inner rectangle (x, y, w, h); the inner
// rectangle itself stays transparent.
TavDropShadow dropShadow(HWND window, int x, int y, int width, int height, int radius, uint32_t argb);

// Maps the rectangle's top-left corner and keeps its size.
RECT clientToScreenRect(HWND window, const RECT& rect);
RECT screenToClientRect(HWND window, const RECT& rect);
// Bounding rectangle; an empty rectangle counts as absent.
RECT unionRects(const RECT& a, const RECT& b);
