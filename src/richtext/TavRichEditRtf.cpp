// Glyphs to RTF and RTF to glyphs.
#include "TavRichEditRtf.h"

#include "AtomicFile.h"
#include "CRtfReader.h"
#include "TavFont.h"
#include "TavGlyph.h"
#include "TavRichEditDoc.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

std::wstring familyName(Gdiplus::Font* font) { return fontInfo(font).family; }

} // namespace

RtfDocument rtfDocumentFromGlyphs(const std::vector<TavGlyph*>& glyphs) {
    RtfDocument doc;
    // Fonts ordered by their cache key, as the font cache orders them.
    std::map<std::wstring, Gdiplus::Font*> byKey;
    std::map<Gdiplus::Font*, std::wstring> keyOf;
    std::map<uint32_t, int> colors;
    Gdiplus::Font* lastFont = nullptr;
    uint32_t lastColor = 0;
    bool anyColor = false;
    for (const TavGlyph* g : glyphs) {
        Gdiplus::Font* f = g->font();
        // Neighbours mostly share their format: look up only changes.
        if (anyColor && f == lastFont && g->color() == lastColor) continue;
        lastFont = f;
        lastColor = g->color();
        anyColor = true;
        if (f && !keyOf.count(f)) {
            TavFontInfo info = fontInfo(f);
            std::wstring key = TavFont::key(info.family, info.size, info.style, info.unit);
            // Two font objects with one key would be one font to the reader.
            key += L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(f));
            keyOf[f] = key;
            byKey[key] = f;
        }
        colors[g->color()] = 0;
    }
    std::map<Gdiplus::Font*, int> fontIndex;
    for (auto& [key, f] : byKey) {
        fontIndex[f] = int(doc.fontFamilies.size());
        doc.fontFamilies.push_back(familyName(f));
    }
    for (auto& [argb, unused] : colors) doc.colors.push_back(argb);
    Gdiplus::Font* runFont = nullptr;
    int runIndex = 0;
    TavFontInfo runInfo;
    Gdiplus::Font* lastRunFont = nullptr;
    bool extendable = false; // the last run may take the next character of its format
    for (const TavGlyph* g : glyphs) {
        std::wstring text = g->text();
        if (text.empty()) continue;
        // Neighbours of one format share a run, which writes exactly the bytes of one run per
        // character: a run ends after a line end (so "\r" then "\n" stay two paragraph marks)
        // and a surrogate keeps a run of its own (so each half is converted as before).
        const bool joinable = text.size() == 1 && (text[0] < 0xD800 || text[0] > 0xDFFF);
        if (extendable && joinable && g->font() == lastRunFont && g->color() == doc.runs.back().argb) {
            doc.runs.back().text += text[0];
            extendable = text[0] != L'\r' && text[0] != L'\n';
            continue;
        }
        extendable = joinable && text[0] != L'\r' && text[0] != L'\n';
        lastRunFont = g->font();
        RtfRun run;
        run.text = std::move(text);
        run.argb = g->color();
        if (Gdiplus::Font* f = g->font()) {
            if (f != runFont) {
                runFont = f;
                runIndex = fontIndex[f];
                runInfo = fontInfo(f);
            }
            run.font = runIndex;
            run.sizePixels = int(runInfo.size);
            int style = runInfo.style;
            run.bold = style & 1;
            run.italic = style & 2;
            run.underline = style & 4;
            run.strike = style & 8;
        }
        doc.runs.push_back(std::move(run));
    }
    return doc;
}

bool writeRtf(const std::wstring& path, const std::vector<TavGlyph*>& glyphs) {
    return writeRtf(path, rtfDocumentFromGlyphs(glyphs));
}

std::string rtfBytes(const std::vector<TavGlyph*>& glyphs) {
    return rtfToString(rtfDocumentFromGlyphs(glyphs));
}

bool saveRtf(const TavRichEditDoc& doc, const std::wstring& path) {
    std::vector<TavGlyph*> glyphs = doc.allGlyphs();
    if (!glyphs.empty()) return writeRtf(path, glyphs);
    // Empty text: the body file is emptied (atomically, like every save), so that old text never
    // comes back.
    return replaceFileAtomically(path, std::string());
}

namespace {

int insertLoaded(TavRichEditDoc& doc, int result, bool lossy, const std::vector<RtfInsertChar>& chars,
                 bool record, bool refuseLossy) {
    if (result != RtfOk) return result;
    if (lossy && refuseLossy) return RtfLossy;
    doc.insertCharacters(chars, record);
    return RtfOk;
}

} // namespace

int readRtf(TavRichEditDoc& doc, const std::wstring& path, bool record) {
    return readRtf(doc, path, record, record);
}

int readRtf(TavRichEditDoc& doc, const std::wstring& path, bool record, bool refuseLossy) {
    std::vector<RtfInsertChar> chars;
    bool lossy = false;
    int result = loadRtfCharacters(path, chars, &lossy);
    return insertLoaded(doc, result, lossy, chars, record, refuseLossy);
}

int readRtfBytes(TavRichEditDoc& doc, const std::string& bytes, bool record) {
    return readRtfBytes(doc, bytes, record, record);
}

int readRtfBytes(TavRichEditDoc& doc, const std::string& bytes, bool record, bool refuseLossy) {
    std::vector<RtfInsertChar> chars;
    bool lossy = false;
    int result = loadRtfCharacters(bytes.data(), bytes.size(), chars, &lossy);
    return insertLoaded(doc, result, lossy, chars, record, refuseLossy);
}
