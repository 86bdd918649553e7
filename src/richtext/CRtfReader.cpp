#include "CRtfReader.h"

#include "RtfFontSizes.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <iterator>
#include <new>
#include <unordered_set>

namespace {

using K = RtfKeywordKind;

enum DestIndex { kDestFontTable, kDestSkip };
enum SpecialIndex { kSpecBin, kSpecSkipDest, kSpecHex };
enum ColorIndex { kRed, kGreen, kBlue };
enum FormatIndex {
    kFmtBold,
    kFmtItalic,
    kFmtU,
    kFmtUl,
    kFmtUlNone,
    kFmtStrike,
    kFmtFont,
    kFmtColor,
    kFmtSize,
    kFmtSl,
    kFmtSlMult,
    kFmtPar,
    kFmtUnicodeSkip,
    kFmtAnsiCodePage,
    kFmtCharset
};
enum PropIndex {
    kPropLeftIndent,
    kPropRightIndent,
    kPropFirstIndent,
    kPropCols,
    kPropSectionBreak,
    kPropPgnX,
    kPropPgnY,
    kPropPgnFormat,
    kPropJustify,
    kPropPaperW,
    kPropPaperH,
    kPropMargL,
    kPropMargR,
    kPropMargT,
    kPropMargB,
    kPropPgnStart,
    kPropFacing,
    kPropLandscape
};

const RtfKeyword kKeywords[] = {
    {"b", 1, false, K::Formatting, kFmtBold},
    {"u", 1, false, K::Formatting, kFmtU},
    {"i", 1, false, K::Formatting, kFmtItalic},
    {"ul", 1, false, K::Formatting, kFmtUl},
    {"ulnone", 0, true, K::Formatting, kFmtUlNone},
    {"strike", 1, false, K::Formatting, kFmtStrike},
    {"f", 0, false, K::Formatting, kFmtFont},
    {"cf", 0, false, K::Formatting, kFmtColor},
    {"fs", 0, false, K::Formatting, kFmtSize},
    {"sl", 240, false, K::Formatting, kFmtSl},
    {"slmult", 1, false, K::Formatting, kFmtSlMult},
    {"par", 0, false, K::Formatting, kFmtPar},
    {"uc", 1, false, K::Formatting, kFmtUnicodeSkip},
    {"ansicpg", 0, false, K::Formatting, kFmtAnsiCodePage},
    {"fcharset", 0, false, K::Formatting, kFmtCharset},
    {"red", 0, false, K::Color, kRed},
    {"green", 0, false, K::Color, kGreen},
    {"blue", 0, false, K::Color, kBlue},
    {"li", 0, false, K::Property, kPropLeftIndent},
    {"ri", 0, false, K::Property, kPropRightIndent},
    {"fi", 0, false, K::Property, kPropFirstIndent},
    {"cols", 1, false, K::Property, kPropCols},
    {"sbknone", 0, true, K::Property, kPropSectionBreak},
    {"sbkcol", 1, true, K::Property, kPropSectionBreak},
    {"sbkeven", 2, true, K::Property, kPropSectionBreak},
    {"sbkodd", 3, true, K::Property, kPropSectionBreak},
    {"sbkpage", 4, true, K::Property, kPropSectionBreak},
    {"pgnx", 0, false, K::Property, kPropPgnX},
    {"pgny", 0, false, K::Property, kPropPgnY},
    {"pgndec", 0, true, K::Property, kPropPgnFormat},
    {"pgnucrm", 1, true, K::Property, kPropPgnFormat},
    {"pgnlcrm", 2, true, K::Property, kPropPgnFormat},
    {"pgnucltr", 3, true, K::Property, kPropPgnFormat},
    {"pgnlcltr", 4, true, K::Property, kPropPgnFormat},
    {"qc", 1, true, K::Property, kPropJustify},
    {"ql", 0, true, K::Property, kPropJustify},
    {"qr", 2, true, K::Property, kPropJustify},
    {"qj", 3, true, K::Property, kPropJustify},
    {"paperw", 12240, false, K::Property, kPropPaperW},
    {"paperh", 15480, false, K::Property, kPropPaperH},
    {"margl", 1800, false, K::Property, kPropMargL},
    {"margr", 1800, false, K::Property, kPropMargR},
    {"margt", 1440, false, K::Property, kPropMargT},
    {"margb", 1440, false, K::Property, kPropMargB},
    {"pgnstart", 1, true, K::Property, kPropPgnStart},
    {"facingp", 1, true, K::Property, kPropFacing},
    {"landscape", 1, true, K::Property, kPropLandscape},
    // Backslash followed by a line end: two entries whose keywords are empty and never match,
    // so that the line end after a backslash is ignored.
    {"", 0, false, K::Character, 10},
    {"", 0, false, K::Character, 10},
    {"tab", 0, false, K::Character, 9},
    {"ldblquote", 0, false, K::Character, 34},
    {"rdblquote", 0, false, K::Character, 34},
    {"{", 0, false, K::Character, 123},
    {"}", 0, false, K::Character, 125},
    {"\\", 0, false, K::Character, 92},
    {"bin", 0, false, K::Special, kSpecBin},
    {"*", 0, false, K::Special, kSpecSkipDest},
    {"'", 0, false, K::Special, kSpecHex},
    {"fonttbl", 0, false, K::Destination, kDestFontTable},
    {"author", 0, false, K::Destination, kDestSkip},
    {"buptim", 0, false, K::Destination, kDestSkip},
    {"colortbl", 0, false, K::Destination, kDestSkip},
    {"comment", 0, false, K::Destination, kDestSkip},
    {"creatim", 0, false, K::Destination, kDestSkip},
    {"doccomm", 0, false, K::Destination, kDestSkip},
    {"footer", 0, false, K::Destination, kDestSkip},
    {"footerf", 0, false, K::Destination, kDestSkip},
    {"footerl", 0, false, K::Destination, kDestSkip},
    {"footerr", 0, false, K::Destination, kDestSkip},
    {"footnote", 0, false, K::Destination, kDestSkip},
    {"ftncn", 0, false, K::Destination, kDestSkip},
    {"ftnsep", 0, false, K::Destination, kDestSkip},
    {"ftnsepc", 0, false, K::Destination, kDestSkip},
    {"header", 0, false, K::Destination, kDestSkip},
    {"headerf", 0, false, K::Destination, kDestSkip},
    {"headerl", 0, false, K::Destination, kDestSkip},
    {"headerr", 0, false, K::Destination, kDestSkip},
    {"info", 0, false, K::Destination, kDestSkip},
    {"keywords", 0, false, K::Destination, kDestSkip},
    {"operator", 0, false, K::Destination, kDestSkip},
    {"pict", 0, false, K::Destination, kDestSkip},
    {"printim", 0, false, K::Destination, kDestSkip},
    {"private1", 0, false, K::Destination, kDestSkip},
    {"revtim", 0, false, K::Destination, kDestSkip},
    {"rxe", 0, false, K::Destination, kDestSkip},
    {"stylesheet", 0, false, K::Destination, kDestSkip},
    {"subject", 0, false, K::Destination, kDestSkip},
    {"tc", 0, false, K::Destination, kDestSkip},
    {"title", 0, false, K::Destination, kDestSkip},
    {"txe", 0, false, K::Destination, kDestSkip},
    {"xe", 0, false, K::Destination, kDestSkip},
};
static_assert(std::size(kKeywords) == 91, "the keyword table has 91 entries");

std::string lowered(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int hexValue(unsigned char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parameters are kept within a range no keyword needs to exceed, so arithmetic never overflows.
constexpr long long kParamLimit = 1000000000LL;

bool isHighSurrogate(wchar_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(wchar_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

} // namespace

const RtfKeyword* CRtfReader::defaultTable(size_t* count) {
    if (count) *count = std::size(kKeywords);
    return kKeywords;
}

CRtfReader::CRtfReader(unsigned codePage) : CRtfReader(codePage, kKeywords, std::size(kKeywords)) {}

CRtfReader::CRtfReader(unsigned codePage, const RtfKeyword* table, size_t count)
    : m_table(table, table + count), m_defaultCodePage(codePage ? codePage : GetACP()) {
    for (size_t i = 0; i < m_table.size(); ++i) {
        const char* word = m_table[i].keyword ? m_table[i].keyword : "";
        if (*word) m_index.emplace_back(lowered(word), int(i));
    }
    std::stable_sort(m_index.begin(), m_index.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

int CRtfReader::lookup(const std::string& word) const {
    const std::string key = lowered(word);
    auto it = std::lower_bound(m_index.begin(), m_index.end(), key,
                               [](const auto& entry, const std::string& k) { return entry.first < k; });
    return it != m_index.end() && it->first == key ? it->second : -1;
}

int CRtfReader::open(const char* ansiPath) {
    if (!ansiPath) return RtfCannotOpen;
    const int n = MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, nullptr, 0);
    if (n <= 0) return RtfCannotOpen;
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, wide.data(), n);
    wide.resize(size_t(n - 1));
    return open(wide);
}

int CRtfReader::open(const std::wstring& path) {
    reset();
    m_input.clear();
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return RtfCannotOpen;
    bool ok = true;
    unsigned char chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, f);
        if (got == 0) break;
        if (m_input.size() + got > kMaxFileSize) {
            ok = false;
            break;
        }
        m_input.insert(m_input.end(), chunk, chunk + got);
    }
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    if (!ok) {
        m_input.clear();
        return RtfCannotOpen;
    }
    return parse();
}

int CRtfReader::parse(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    m_input.assign(bytes, bytes + (bytes ? size : 0));
    return parse();
}

int CRtfReader::parse() {
    reset();
    try {
        return run();
    } catch (const std::bad_alloc&) {
        return RtfNoMemory;
    }
}

void CRtfReader::reset() {
    m_pos = 0;
    m_depth = 0;
    m_internal = Internal::Normal;
    m_dest = Dest::Normal;
    m_binCount = 0;
    m_skipNextDest = false;
    m_hexNibbles = 0;
    m_hexByte = 0;
    m_chp = CharProps();
    m_pap = ParaProps();
    m_sep = SectDocProps();
    m_stack.clear();
    m_bold = m_italic = m_underline = m_strike = false;
    m_font = m_color = -1;
    m_halfPoints = 0;
    m_sl = 240;
    m_slmult = 1;
    m_destKeyword = DestKeyword::None;
    m_destDepth = 0;
    m_docCodePage = m_defaultCodePage;
    m_unicodeSkip = 1;
    m_skipLeft = 0;
    m_decoder.reset();
    m_textCodePageKnown = false;
    m_textCodePage = 0;
    m_highSurrogateIn = Sink::None;
    m_lossy = false;
    m_fontName.clear();
    m_fontNumber = -1;
    m_fontCharset = -1;
    m_red = m_green = m_blue = 0;
    m_colorPending = false;
    m_paragraph = 0;
    m_fontNames.clear();
    m_fontNumbers.clear();
    m_fontCodePages.clear();
    m_fontByNumber.clear();
    m_colors.clear();
    m_runs.clear();
    m_spacings.clear();
}

int CRtfReader::run() {
    const size_t size = m_input.size();
    while (m_pos < size) {
        if (m_depth < 0) return RtfStackUnderflow;
        if (m_internal == Internal::Binary) {
            // Binary data is never text: skip it in one step.
            const size_t left = size - m_pos;
            const size_t take = m_binCount < 0 || size_t(m_binCount) > left ? left : size_t(m_binCount);
            m_pos += take;
            m_binCount -= (long long)take;
            if (m_binCount <= 0) m_internal = Internal::Normal;
            continue;
        }
        const unsigned char ch = m_input[m_pos++];
        if (m_internal == Internal::Hex) {
            const int v = hexValue(ch);
            if (v < 0) return RtfInvalidHex;
            m_hexByte = static_cast<unsigned char>((m_hexByte << 4) | v);
            if (--m_hexNibbles == 0) {
                m_internal = Internal::Normal;
                if (int ec = parseChar(m_hexByte)) return ec;
            }
            continue;
        }
        int ec = RtfOk;
        switch (ch) {
        case '{':
            ec = pushGroup();
            break;
        case '}':
            ec = popGroup();
            break;
        case '\\':
            ec = parseKeyword();
            break;
        case '\r':
        case '\n':
            break;
        default:
            ec = parseChar(ch);
            break;
        }
        if (ec != RtfOk) return ec;
    }
    if (m_depth < 0) return RtfStackUnderflow;
    if (m_internal != Internal::Normal) return RtfEndOfFile;
    flushDecoder(Sink::Text);
    closeLoneSurrogate();
    return m_depth > 0 ? RtfUnmatchedBrace : RtfOk;
}

int CRtfReader::pushGroup() {
    if (m_depth >= kMaxGroupDepth) return RtfNoMemory;
    m_stack.push_back(SavedState{m_chp, m_pap, m_sep, m_dest, m_internal, m_unicodeSkip, m_bold, m_italic,
                                 m_underline, m_strike, m_font, m_color, m_halfPoints});
    m_internal = Internal::Normal;
    m_skipLeft = 0; // a fallback never reaches into another group
    ++m_depth;
    return RtfOk;
}

int CRtfReader::popGroup() {
    if (m_stack.empty()) {
        --m_depth;
        return RtfStackUnderflow;
    }
    m_skipLeft = 0;
    if (m_destKeyword == DestKeyword::FontTable) finishFontName();
    if (m_highSurrogateIn == Sink::FontName) closeLoneSurrogate();
    m_fontName.clear();
    if (m_destKeyword == DestKeyword::ColorTable && m_depth == m_destDepth) finishColor();
    const SavedState& saved = m_stack.back();
    m_chp = saved.chp;
    m_pap = saved.pap;
    m_sep = saved.sep;
    m_dest = saved.dest;
    m_internal = saved.internal;
    m_unicodeSkip = saved.unicodeSkip;
    m_bold = saved.bold;
    m_italic = saved.italic;
    m_underline = saved.underline;
    m_strike = saved.strike;
    if (m_font != saved.font) m_textCodePageKnown = false;
    m_font = saved.font;
    m_color = saved.color;
    m_halfPoints = saved.halfPoints;
    m_stack.pop_back();
    --m_depth;
    if (m_destKeyword != DestKeyword::None && m_depth < m_destDepth) m_destKeyword = DestKeyword::None;
    return RtfOk;
}

int CRtfReader::parseKeyword() {
    const size_t size = m_input.size();
    if (m_pos >= size) return RtfEndOfFile;
    unsigned char ch = m_input[m_pos++];
    if (!isLetter(ch)) return translateKeyword(std::string(1, char(ch)), 0, false, false);

    std::string word;
    bool tooLong = false;
    while (isLetter(ch)) {
        if (word.size() < kMaxKeywordLength)
            word.push_back(char(ch));
        else
            tooLong = true;
        if (m_pos >= size) return translateKeyword(word, 0, false, tooLong);
        ch = m_input[m_pos++];
    }
    bool negative = false;
    if (ch == '-') {
        negative = true;
        if (m_pos >= size) return RtfEndOfFile;
        ch = m_input[m_pos++];
    }
    bool hasParam = false;
    long long value = 0;
    bool atEnd = false;
    while (isDigit(ch)) {
        hasParam = true;
        if (value < kParamLimit) value = value * 10 + (ch - '0');
        if (m_pos >= size) {
            atEnd = true;
            break;
        }
        ch = m_input[m_pos++];
    }
    if (!atEnd && ch != ' ') --m_pos; // the delimiter belongs to the text; only a blank is consumed
    value = std::min(value, kParamLimit);
    return translateKeyword(word, int(negative ? -value : value), hasParam, tooLong);
}

int CRtfReader::translateKeyword(const std::string& word, int param, bool hasParam, bool tooLong) {
    const int i = tooLong ? -1 : lookup(word);
    if (m_skipLeft > 0) {
        // Inside the fallback of a "\u": a control word or symbol counts as one character.
        // "\'" and character symbols count when their byte arrives; "\bin" data is still
        // skipped as data.
        const RtfKeyword* k = i >= 0 ? &m_table[size_t(i)] : nullptr;
        const bool countsLater =
            k && (k->kind == K::Character || (k->kind == K::Special && k->index == kSpecHex));
        if (!countsLater) {
            --m_skipLeft;
            if (k && k->kind == K::Special && k->index == kSpecBin)
                return parseSpecial(k->index, hasParam ? param : k->defaultValue);
            return RtfOk;
        }
    }
    if (i < 0) {
        if (m_skipNextDest) m_dest = Dest::Skip;
        m_skipNextDest = false;
        return RtfOk;
    }
    m_skipNextDest = false;
    const RtfKeyword& k = m_table[size_t(i)];
    const int value = k.useDefault || !hasParam ? k.defaultValue : param;
    switch (k.kind) {
    case K::Character:
        if (k.index < 0 || k.index > 255) return RtfBadTable;
        return parseChar(static_cast<unsigned char>(k.index));
    case K::Destination:
        if (lowered(k.keyword) == "fonttbl" || lowered(k.keyword) == "colortbl") {
            if (m_dest != Dest::Skip) {
                m_destKeyword =
                    lowered(k.keyword) == "fonttbl" ? DestKeyword::FontTable : DestKeyword::ColorTable;
                m_destDepth = m_depth;
            }
        }
        return changeDestination(k.index);
    case K::Property:
        return applyProperty(k.index, value);
    case K::Special:
        return parseSpecial(k.index, value);
    case K::Color:
        return applyColor(k.index, value);
    case K::Formatting:
        return applyFormatting(k.index, value, hasParam);
    }
    return RtfBadTable;
}

int CRtfReader::changeDestination(int index) {
    if (index != kDestFontTable && index != kDestSkip) return RtfBadTable;
    if (m_dest == Dest::Skip) return RtfOk; // a destination inside a skipped one stays skipped
    m_dest = index == kDestFontTable ? Dest::FontTable : Dest::Skip;
    return RtfOk;
}

int CRtfReader::parseSpecial(int index, int param) {
    switch (index) {
    case kSpecBin:
        if (param > 0) {
            m_internal = Internal::Binary;
            m_binCount = param;
        }
        return RtfOk;
    case kSpecSkipDest:
        m_skipNextDest = true;
        return RtfOk;
    case kSpecHex:
        m_internal = Internal::Hex;
        m_hexNibbles = 2;
        m_hexByte = 0;
        return RtfOk;
    default:
        return RtfInternalState;
    }
}

int CRtfReader::applyProperty(int index, int value) {
    if (m_dest == Dest::Skip)
        return index >= kPropLeftIndent && index <= kPropLandscape ? RtfOk : RtfBadTable;
    auto s16 = [](int v) { return int16_t(std::clamp(v, -32768, 32767)); };
    switch (index) {
    case kPropLeftIndent:
        m_pap.leftIndent = value;
        break;
    case kPropRightIndent:
        m_pap.rightIndent = value;
        break;
    case kPropFirstIndent:
        m_pap.firstIndent = value;
        break;
    case kPropJustify:
        m_pap.justify = value;
        break;
    case kPropCols:
        m_sep.cols = value;
        break;
    case kPropSectionBreak:
        m_sep.breakKind = value;
        break;
    case kPropPgnX:
        m_sep.pgnX = static_cast<unsigned char>(value);
        break;
    case kPropPgnY:
        m_sep.pgnY = static_cast<unsigned char>(value);
        break;
    case kPropPgnFormat:
        m_sep.pgnFormat = value;
        break;
    case kPropPaperW:
        m_sep.paperW = value;
        break;
    case kPropPaperH:
        m_sep.paperH = value;
        break;
    case kPropMargL:
        m_sep.margL = s16(value);
        break;
    case kPropMargR:
        m_sep.margR = s16(value);
        break;
    case kPropMargT:
        m_sep.margT = s16(value);
        break;
    case kPropMargB:
        m_sep.margB = s16(value);
        break;
    case kPropPgnStart:
        m_sep.pgnStart = s16(value);
        break;
    case kPropFacing:
        m_sep.facing = value != 0;
        break;
    case kPropLandscape:
        m_sep.landscape = value != 0;
        break;
    default:
        return RtfBadTable;
    }
    return RtfOk;
}

int CRtfReader::applyColor(int index, int value) {
    if (index < kRed || index > kBlue) return RtfBadTable;
    // Color components count only inside the color table.
    if (m_destKeyword != DestKeyword::ColorTable) return RtfOk;
    const int v = std::clamp(value, 0, 255);
    (index == kRed ? m_red : index == kGreen ? m_green : m_blue) = v;
    m_colorPending = true;
    return RtfOk;
}

int CRtfReader::applyFormatting(int index, int value, bool hasParam) {
    if (index < kFmtBold || index > kFmtCharset) return RtfBadTable;
    // These describe how to read the text, wherever they stand.
    switch (index) {
    case kFmtU:
        if (hasParam) applyUnicode(value);
        return RtfOk;
    case kFmtUnicodeSkip:
        m_unicodeSkip = std::clamp(value, 0, kMaxUnicodeSkip);
        return RtfOk;
    case kFmtAnsiCodePage:
        if (value > 0 && value <= 65535 && m_dest != Dest::Skip) {
            m_docCodePage = unsigned(value);
            m_textCodePageKnown = false;
        }
        return RtfOk;
    case kFmtCharset:
        if (m_dest == Dest::FontTable) m_fontCharset = value;
        return RtfOk;
    default:
        break;
    }
    if (m_dest == Dest::FontTable && index == kFmtFont) {
        m_fontNumber = value;
        return RtfOk;
    }
    // Formatting inside the font table, style sheets and other destinations describes those
    // destinations, not the text.
    if (m_dest != Dest::Normal) return RtfOk;
    switch (index) {
    case kFmtBold:
        m_bold = value != 0;
        break;
    case kFmtItalic:
        m_italic = value != 0;
        break;
    case kFmtUl:
        m_underline = value != 0;
        break;
    case kFmtUlNone:
        m_underline = false;
        break;
    case kFmtStrike:
        m_strike = value != 0;
        break;
    case kFmtFont:
        m_font = value;
        m_textCodePageKnown = false;
        break;
    case kFmtColor:
        m_color = value;
        break;
    case kFmtSize:
        m_halfPoints = value;
        break;
    case kFmtSl:
        m_sl = value;
        break;
    case kFmtSlMult:
        m_slmult = value;
        break;
    case kFmtPar:
        flushDecoder(Sink::Text);
        emitUnit(L'\r', Sink::Text);
        m_spacings.push_back(RtfParagraphSpacing{m_sl, m_slmult});
        ++m_paragraph;
        break;
    }
    return RtfOk;
}

int CRtfReader::parseChar(unsigned char b) {
    if (m_skipLeft > 0) {
        --m_skipLeft; // a fallback character of the last "\u"
        return RtfOk;
    }
    switch (m_dest) {
    case Dest::Skip:
        if (b == ';' && m_destKeyword == DestKeyword::ColorTable) finishColor();
        break;
    case Dest::FontTable:
        if (b == ';') {
            flushDecoder(Sink::FontName);
            finishFontName();
        } else {
            decodeByte(b, Sink::FontName);
        }
        break;
    case Dest::Normal:
        decodeByte(b, Sink::Text);
        break;
    }
    return RtfOk;
}

unsigned CRtfReader::codePageFor(Sink sink) {
    if (sink == Sink::FontName) {
        const unsigned cp = codePageForCharset(m_fontCharset);
        return cp ? cp : m_docCodePage;
    }
    if (!m_textCodePageKnown) {
        unsigned cp = 0;
        auto it = m_font >= 0 ? m_fontByNumber.find(m_font) : m_fontByNumber.end();
        if (it != m_fontByNumber.end()) cp = m_fontCodePages[size_t(it->second)];
        m_textCodePage = cp ? cp : m_docCodePage;
        m_textCodePageKnown = true;
    }
    return m_textCodePage;
}

void CRtfReader::decodeByte(unsigned char b, Sink sink) {
    RtfByteDecoder::Units units;
    m_decoder.setCodePage(codePageFor(sink), units);
    m_decoder.put(b, units);
    emitUnits(units, sink);
}

void CRtfReader::flushDecoder(Sink sink) {
    RtfByteDecoder::Units units;
    m_decoder.flush(units);
    emitUnits(units, sink);
}

void CRtfReader::emitUnits(const RtfByteDecoder::Units& units, Sink sink) {
    for (int i = 0; i < units.count; ++i) emitUnit(units.unit[i], sink);
}

void CRtfReader::applyUnicode(int value) {
    m_skipLeft = m_unicodeSkip;
    if (m_dest == Dest::Skip) return;
    const Sink sink = m_dest == Dest::FontTable ? Sink::FontName : Sink::Text;
    flushDecoder(sink);
    if (value < -32768 || value > 65535) {
        m_lossy = true;
        emitUnit(L'?', sink);
        return;
    }
    // RTF writes code units above 32767 as negative 16-bit values.
    emitUnit(wchar_t(value < 0 ? value + 65536 : value), sink);
}

// Every decoded code unit passes here. A high surrogate is appended at once and remembered;
// anything but its low surrogate next turns it into "?", as does a low surrogate alone.
void CRtfReader::emitUnit(wchar_t u, Sink sink) {
    if (u == 0) return; // a NUL is no character of the text
    if (m_highSurrogateIn != Sink::None) {
        if (isLowSurrogate(u) && sink == m_highSurrogateIn) {
            m_highSurrogateIn = Sink::None;
            appendUnit(u, sink);
            return;
        }
        closeLoneSurrogate();
    }
    if (isLowSurrogate(u)) {
        m_lossy = true;
        u = L'?';
    }
    if (appendUnit(u, sink) && isHighSurrogate(u)) m_highSurrogateIn = sink;
}

void CRtfReader::closeLoneSurrogate() {
    switch (m_highSurrogateIn) {
    case Sink::Text:
        m_runs.back().text.back() = L'?';
        break;
    case Sink::FontName:
        m_fontName.back() = L'?';
        break;
    case Sink::None:
        return;
    }
    m_lossy = true;
    m_highSurrogateIn = Sink::None;
}

bool CRtfReader::appendUnit(wchar_t u, Sink sink) {
    if (sink == Sink::FontName) {
        if (m_fontName.size() >= kMaxFontNameLength) return false;
        m_fontName.push_back(u);
        return true;
    }
    if (!m_runs.empty()) {
        RtfCharRun& last = m_runs.back();
        const bool same = last.bold == m_bold && last.italic == m_italic && last.underline == m_underline &&
                          last.strike == m_strike && last.font == m_font && last.color == m_color &&
                          last.halfPoints == m_halfPoints;
        if (same || m_runs.size() >= kMaxRuns) {
            last.text.push_back(u);
            return true;
        }
    }
    RtfCharRun r;
    r.paragraph = m_paragraph;
    r.text.assign(1, u);
    r.bold = m_bold;
    r.italic = m_italic;
    r.underline = m_underline;
    r.strike = m_strike;
    r.font = m_font;
    r.color = m_color;
    r.halfPoints = m_halfPoints;
    m_runs.push_back(std::move(r));
    return true;
}

void CRtfReader::finishFontName() {
    if (m_highSurrogateIn == Sink::FontName) closeLoneSurrogate();
    if (m_fontName.empty()) return; // (a nested group such as "\*\panose" ends before the name)
    if (m_fontNames.size() < kMaxFonts) {
        const int number = m_fontNumber >= 0 ? m_fontNumber : int(m_fontNames.size());
        m_fontByNumber.emplace(number, int(m_fontNames.size())); // the first declaration wins
        m_fontNumbers.push_back(number);
        m_fontNames.push_back(m_fontName);
        m_fontCodePages.push_back(codePageForCharset(m_fontCharset));
        m_textCodePageKnown = false;
    }
    m_fontName.clear();
    m_fontNumber = -1;
    m_fontCharset = -1;
}

int CRtfReader::fontEntry(int number) const {
    if (number < 0 || m_fontNames.empty()) return -1;
    auto it = m_fontByNumber.find(number);
    if (it != m_fontByNumber.end()) return it->second;
    return int(std::min(size_t(number), m_fontNames.size() - 1));
}

void CRtfReader::finishColor() {
    if (!m_colorPending) return;
    if (m_colors.size() < kMaxColors)
        m_colors.push_back(uint32_t(m_red) << 16 | uint32_t(m_green) << 8 | uint32_t(m_blue));
    m_red = m_green = m_blue = 0;
    m_colorPending = false;
}

namespace {

constexpr int kDefaultHalfPoints = 24; // RTF's own default size, 12 points
constexpr int kMaxPoints = 999;

// The font the editor is to make current for a run, or none.
struct RunFont {
    bool set = false;
    std::wstring family;
    int style = 0;
    int pixelSize = 0;
};

RunFont runFont(const CRtfReader& reader, const RtfCharRun& run,
                std::unordered_set<uint64_t>& fontsAskedFor) {
    RunFont f;
    const int entry = run.font >= 0 ? reader.fontEntry(run.font) : -1;
    if (entry < 0) return f;
    f.style = (run.bold ? 1 : 0) | (run.italic ? 2 : 0) | (run.underline ? 4 : 0) | (run.strike ? 8 : 0);
    const int halfPoints = run.halfPoints > 0 ? run.halfPoints : kDefaultHalfPoints;
    const int points = std::clamp(halfPoints / 2, 1, kMaxPoints);
    f.family = reader.fontNames()[size_t(entry)];
    f.pixelSize = pointsToPixels(points, f.family);
    const uint64_t key = uint64_t(entry) << 32 | uint64_t(uint32_t(f.pixelSize)) << 4 | uint64_t(f.style);
    if (fontsAskedFor.count(key) || fontsAskedFor.size() < kMaxDistinctFonts) {
        fontsAskedFor.insert(key);
        f.set = true;
    }
    return f;
}

} // namespace

std::vector<RtfInsertChar> rtfCharactersToInsert(const CRtfReader& reader) {
    std::vector<uint32_t> colors{0};
    colors.insert(colors.end(), reader.colors().begin(), reader.colors().end());
    std::unordered_set<uint64_t> fontsAskedFor;

    size_t total = 0;
    for (const RtfCharRun& run : reader.runs()) total += run.text.size();
    std::vector<RtfInsertChar> out;
    out.reserve(total);
    for (const RtfCharRun& run : reader.runs()) {
        RtfInsertChar c;
        RunFont font = runFont(reader, run, fontsAskedFor);
        if (font.set) {
            c.setFont = true;
            c.family = std::move(font.family);
            c.style = font.style;
            c.pixelSize = font.pixelSize;
        }
        if (run.color >= 0) {
            c.setColor = true;
            const size_t k = std::min(size_t(run.color), colors.size() - 1);
            c.argb = 0xFE000000u | colors[k];
        }
        for (wchar_t ch : run.text) {
            c.ch = ch;
            out.push_back(c);
        }
    }
    return out;
}

int loadRtfCharacters(const void* data, size_t size, std::vector<RtfInsertChar>& out, bool* lossy) {
    out.clear();
    CRtfReader reader;
    const int ec = reader.parse(data, size);
    if (lossy) *lossy = reader.lossy();
    if (ec == RtfOk) out = rtfCharactersToInsert(reader);
    return ec;
}

int loadRtfCharacters(const std::wstring& path, std::vector<RtfInsertChar>& out, bool* lossy) {
    out.clear();
    CRtfReader reader;
    const int ec = reader.open(path);
    if (lossy) *lossy = reader.lossy();
    if (ec == RtfOk) out = rtfCharactersToInsert(reader);
    return ec;
}
