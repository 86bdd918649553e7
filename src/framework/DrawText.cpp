// Fonts, metrics, measuring and drawing text for the drawing toolkit.
#include <algorithm>
#include <cmath>

#include "DrawToolkit.h"
#include "Settings.h"
#include "TavFont.h"
#include "TextAlpha.h"

using namespace Gdiplus;

Font* createFont(const std::wstring& face, float size, int style) {
    return TavFont::instance().get(face, size, style, UnitPixel);
}

Font* defaultFont(float size) {
    return createFont(settings().defaultFontFace, size, settings().defaultFontStyle);
}

SolidBrush* getBrush(uint32_t argb) { return TavBrush::instance().get(argb); }

SolidBrush* defaultTextBrush() { return getBrush(settings().defaultTextColor); }

namespace {

// metric x size / em height, truncated, + 1; 0 when the font or its family is unusable.
template <typename Metric> int scaledMetric(const Font* font, Metric metric) {
    if (!font || font->GetLastStatus() != Ok) return 0;
    FontFamily family;
    if (font->GetFamily(&family) != Ok) return 0;
    int style = font->GetStyle();
    UINT16 em = family.GetEmHeight(style);
    if (em == 0) return 0;
    return int(double(metric(family, style)) * double(font->GetSize()) / double(em)) + 1;
}

// Runs fn with a Graphics on the window's (or the screen's) DC.
template <typename Fn> auto withScreenGraphics(HWND window, Fn fn) {
    HDC dc = GetDC(window);
    auto result = [&] {
        Graphics g(dc);
        return fn(g);
    }();
    ReleaseDC(window, dc);
    return result;
}

RectF screenLayout() {
    return RectF(0.0f, 0.0f, float(GetSystemMetrics(SM_CXSCREEN)), float(GetSystemMetrics(SM_CYSCREEN)));
}

SIZE boxSize(const RectF& box) { return SIZE{LONG(box.Width) + 1, LONG(box.Height) + 1}; }

std::vector<std::wstring> split(const std::wstring& text, wchar_t sep) {
    std::vector<std::wstring> parts(1);
    for (wchar_t c : text) {
        if (c == sep)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::wstring withoutTabs(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text)
        if (c != L'\t') out += c;
    return out;
}

float measureWidth(Graphics& g, const std::wstring& text, const Font* font, const StringFormat* format) {
    if (text.empty()) return 0.0f;
    RectF box;
    g.MeasureString(text.c_str(), int(text.size()), font, screenLayout(), format, &box);
    return box.Width;
}

// Wine's GDI+ drops tab characters instead of moving to the tab stops. Asked once per process:
// when "a<tab>a" is no wider than "aa" the toolkit places the pieces between tabs itself.
bool gdiplusHonoursTabs() {
    static const bool honoured = withScreenGraphics(nullptr, [](Graphics& g) {
        const Font* font = defaultFont(13.0f);
        TavGpStringFormat format = makeStringFormat(L"a\ta");
        return measureWidth(g, L"a\ta", font, format.get()) >
               measureWidth(g, L"aa", font, format.get()) + 4.0f;
    });
    return honoured;
}

bool needsTabFallback(const std::wstring& text) {
    return text.find(L'\t') != std::wstring::npos && !gdiplusHonoursTabs();
}

// Width of one line whose pieces between tabs are placed on the 24-pixel stops.
struct TabLine {
    std::vector<std::wstring> pieces;
    std::vector<float> starts;
    float width = 0.0f;
};

TabLine layoutTabLine(Graphics& g, const std::wstring& line, const Font* font, const StringFormat* format) {
    TabLine out;
    out.pieces = split(line, L'\t');
    std::vector<float> widths;
    for (const std::wstring& piece : out.pieces) widths.push_back(measureWidth(g, piece, font, format));
    out.starts = tabPieceStarts(widths);
    out.width = out.starts.back() + widths.back();
    return out;
}

std::vector<std::wstring> textLines(const std::wstring& text) {
    std::wstring clean;
    for (wchar_t c : text)
        if (c != L'\r') clean += c;
    return split(clean, L'\n');
}

SIZE measureWithTabFallback(Graphics& g, const std::wstring& text, const Font* font,
                            const StringFormat* format) {
    RectF box;
    std::wstring plain = withoutTabs(text);
    g.MeasureString(plain.c_str(), int(plain.size()), font, screenLayout(), format, &box);
    float width = 0.0f;
    for (const std::wstring& line : textLines(text))
        width = std::max(width, layoutTabLine(g, line, font, format).width);
    box.Width = width;
    return boxSize(box);
}

// Draws text with tabs piece by piece, honouring the format's alignments for the whole block.
void drawWithTabFallback(Graphics& g, const std::wstring& text, const Font* font, const Brush* brush,
                         const StringFormat* format, const RectF& layout) {
    StringFormat pieceFormat(format);
    pieceFormat.SetAlignment(StringAlignmentNear);
    pieceFormat.SetLineAlignment(StringAlignmentNear);
    std::vector<std::wstring> lines = textLines(text);
    float lineHeight = float(lineSpacing(font));
    RectF block;
    std::wstring plain = withoutTabs(text);
    g.MeasureString(plain.c_str(), int(plain.size()), font, layout, format, &block);
    float top = layout.Y;
    if (format->GetLineAlignment() == StringAlignmentCenter) top += (layout.Height - block.Height) / 2;
    if (format->GetLineAlignment() == StringAlignmentFar) top += layout.Height - block.Height;
    for (size_t i = 0; i < lines.size(); ++i) {
        TabLine line = layoutTabLine(g, lines[i], font, &pieceFormat);
        float left = layout.X;
        if (format->GetAlignment() == StringAlignmentCenter) left += (layout.Width - line.width) / 2;
        if (format->GetAlignment() == StringAlignmentFar) left += layout.Width - line.width;
        for (size_t p = 0; p < line.pieces.size(); ++p) {
            const std::wstring& piece = line.pieces[p];
            if (piece.empty()) continue;
            RectF at(left + line.starts[p], top + float(i) * lineHeight, layout.Width, lineHeight * 2);
            g.DrawString(piece.c_str(), int(piece.size()), font, at, &pieceFormat, brush);
        }
    }
}

void renderText(HDC dc, const std::wstring& text, const Font* font, const Brush* brush,
                const StringFormat* format, const RectF& layout) {
    Graphics g(dc);
    // Greyscale anti-aliasing: sub-pixel (ClearType) color fringes have no meaning on a
    // layered window and would tint the alpha computed from the probe rendering.
    g.SetTextRenderingHint(TextRenderingHintAntiAlias);
    if (format && needsTabFallback(text))
        drawWithTabFallback(g, text, font, brush, format, layout);
    else
        g.DrawString(text.c_str(), int(text.size()), font, layout, format, brush);
}

} // namespace

int textHeight(const Font* font) {
    return scaledMetric(font,
                        [](const FontFamily& f, int s) { return f.GetCellAscent(s) + f.GetCellDescent(s); });
}

int lineSpacing(const Font* font) {
    return scaledMetric(font, [](const FontFamily& f, int s) { return f.GetLineSpacing(s); });
}

int fontAscent(const Font* font) {
    return scaledMetric(font, [](const FontFamily& f, int s) { return f.GetCellAscent(s); });
}

int defaultLineHeight() { return textHeight(defaultFont(13.0f)); }

TavGpStringFormat makeStringFormat(const std::wstring& text, StringAlignment horizontal,
                                   StringAlignment vertical) {
    TavGpStringFormat format(StringFormat::GenericTypographic()->Clone());
    if (!format) format = std::make_unique<StringFormat>();
    format->SetFormatFlags(format->GetFormatFlags() | StringFormatFlagsMeasureTrailingSpaces);
    format->SetAlignment(horizontal);
    format->SetLineAlignment(vertical);
    size_t tabs = size_t(std::count(text.begin(), text.end(), L'\t'));
    if (tabs > 0) {
        std::vector<REAL> stops(tabs, kTabStopWidth);
        format->SetTabStops(0.0f, int(tabs), stops.data());
    }
    return format;
}

std::vector<float> tabPieceStarts(const std::vector<float>& pieceWidths, float tabWidth) {
    std::vector<float> starts;
    float x = 0.0f;
    for (size_t i = 0; i < pieceWidths.size(); ++i) {
        if (i > 0) x = (std::floor(x / tabWidth) + 1.0f) * tabWidth;
        starts.push_back(x);
        x += pieceWidths[i];
    }
    return starts;
}

SIZE measureText(HWND window, const Font* font, const std::wstring& text) {
    if (!font || text.empty()) return SIZE{1, 1};
    return withScreenGraphics(window, [&](Graphics& g) {
        RectF box;
        g.MeasureString(text.c_str(), int(text.size()), font, screenLayout(), nullptr, &box);
        return boxSize(box);
    });
}

SIZE measureTextFormat(HWND window, const std::wstring& text, StringAlignment horizontal,
                       StringAlignment vertical) {
    const Font* font = defaultFont(13.0f);
    TavGpStringFormat format = makeStringFormat(text, horizontal, vertical);
    return withScreenGraphics(window, [&](Graphics& g) {
        if (needsTabFallback(text)) return measureWithTabFallback(g, text, font, format.get());
        RectF box;
        g.MeasureString(text.c_str(), int(text.size()), font, screenLayout(), format.get(), &box);
        return boxSize(box);
    });
}

TavMemDC drawText(HWND window, const std::wstring& text, const Font* font, const Brush* brush,
                  const StringFormat* format, int x, int y, int width, int height) {
    TavMemDC target = createMemoryDC(window, width, height);
    if (!target.ok() || !font || !brush || text.empty()) return target;
    TavMemDC probe = createMemoryDC(window, width, height);
    if (!probe.ok()) return target;
    RectF layout(float(x), float(y), float(width - x), float(height - y));
    renderText(target.dc(), text, font, brush, format, layout);
    SolidBrush probeBrush{Color(ARGB(kTextProbeColor))};
    renderText(probe.dc(), text, font, &probeBrush, format, layout);
    GdiFlush();
    applyTextAlpha(target.pixels(), probe.pixels(), size_t(width) * size_t(height));
    return target;
}

TavMemDC drawDefaultText(HWND window, const std::wstring& text, StringAlignment horizontal,
                         StringAlignment vertical, const RECT& rect) {
    TavGpStringFormat format = makeStringFormat(text, horizontal, vertical);
    return drawText(window, text, defaultFont(13.0f), defaultTextBrush(), format.get(), rect.left, rect.top,
                    rect.right, rect.bottom);
}
