#include "CRtfReader.h"

#include "RtfFontSizes.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <iterator>
#include <new>

namespace {

using K = RtfKeywordKind;

enum DestIndex { kDestFontTable, kDestSkip };
enum SpecialIndex { kSpecBin, kSpecSkipDest, kSpecHex };
enum ColourIndex { kRed, kGreen, kBlue };
enum FormatIndex {
    kFmtBold, kFmtItalic, kFmtU, kFmtUl, kFmtUlNone, kFmtStrike, kFmtFont, kFmtColour,
    kFmtSize, kFmtSl, kFmtSlMult, kFmtPar
};
enum PropIndex {
    kPropLeftIndent, kPropRightIndent, kPropFirstIndent, kPropCols, kPropSectionBreak,
    kPropPgnX, kPropPgnY, kPropPgnFormat, kPropJustify, kPropPaperW, kPropPaperH, kPropMargL,
    kPropMargR, kPropMargT, kPropMargB, kPropPgnStart, kPropFacing, kPropLandscape
};

const RtfKeyword kKeywords[] = {
    {"b", 1, false, K::Formatting, kFmtBold},
    {"u", 1, false, K::Formatting, kFmtU},
    {"i", 1, false, K::Formatting, kFmtItalic},
    {"ul", 1, false, K::Formatting, kFmtUl},
    {"ulnone", 0, true, K::Formatting, kFmtUlNone},
    {"strike", 1, false, K::Formatting, kFmtStrike},
    {"f", 0, false, K::Formatting, kFmtFont},
    {"cf", 0, false, K::Formatting, kFmtColour},
    {"fs", 0, false, K::Formatting, kFmtSize},
    {"sl", 240, false, K::Formatting, kFmtSl},
    {"slmult", 1, false, K::Formatting, kFmtSlMult},
    {"par", 0, false, K::Formatting, kFmtPar},
    {"red", 0, false, K::Colour, kRed},
    {"green", 0, false, K::Colour, kGreen},
    {"blue", 0, false, K::Colour, kBlue},
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
static_assert(std::size(kKeywords) == 88, "the keyword table has 88 entries");

std::string lowered(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int hexValue(unsigned char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Parameters are kept within a range no keyword needs to exceed, so arithmetic never overflows.
constexpr long long kParamLimit = 1000000000LL;

} // namespace

const RtfKeyword* CRtfReader::defaultTable(size_t* count) {
    if (count)
        *count = std::size(kKeywords);
    return kKeywords;
}

CRtfReader::CRtfReader(unsigned codePage) : CRtfReader(codePage, kKeywords, std::size(kKeywords)) {}

CRtfReader::CRtfReader(unsigned codePage, const RtfKeyword* table, size_t count)
    : m_table(table, table + count), m_codePage(codePage ? codePage : GetACP()) {
    for (size_t i = 0; i < m_table.size(); ++i) {
        const char* word = m_table[i].keyword ? m_table[i].keyword : "";
        if (*word)
            m_index.emplace_back(lowered(word), int(i));
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
    if (!ansiPath)
        return RtfCannotOpen;
    const int n = MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, nullptr, 0);
    if (n <= 0)
        return RtfCannotOpen;
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, wide.data(), n);
    wide.resize(size_t(n - 1));
    return open(wide);
}

int CRtfReader::open(const std::wstring& path) {
    reset();
    m_input.clear();
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return RtfCannotOpen;
    bool ok = true;
    unsigned char chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, f);
        if (got == 0)
            break;
        if (m_input.size() + got > kMaxFileSize) {
            ok = false;
            break;
        }
        m_input.insert(m_input.end(), chunk, chunk + got);
    }
    if (std::ferror(f))
        ok = false;
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
    m_font = m_colour = -1;
    m_halfPoints = 0;
    m_sl = 240;
    m_slmult = 1;
    m_destKeyword = DestKeyword::None;
    m_destDepth = 0;
    m_leadByte = -1;
    m_fontName.clear();
    m_fontNumber = -1;
    m_red = m_green = m_blue = 0;
    m_colourPending = false;
    m_paragraph = 0;
    m_fontNames.clear();
    m_fontNumbers.clear();
    m_colours.clear();
    m_runs.clear();
    m_spacings.clear();
}

int CRtfReader::run() {
    const size_t size = m_input.size();
    while (m_pos < size) {
        if (m_depth < 0)
            return RtfStackUnderflow;
        if (m_internal == Internal::Binary) {
            // Binary data is never text: skip it in one step.
            const size_t left = size - m_pos;
            const size_t take = m_binCount < 0 || size_t(m_binCount) > left ? left : size_t(m_binCount);
            m_pos += take;
            m_binCount -= (long long)take;
            if (m_binCount <= 0)
                m_internal = Internal::Normal;
            continue;
        }
        const unsigned char ch = m_input[m_pos++];
        if (m_internal == Internal::Hex) {
            const int v = hexValue(ch);
            if (v < 0)
                return RtfInvalidHex;
            m_hexByte = static_cast<unsigned char>((m_hexByte << 4) | v);
            if (--m_hexNibbles == 0) {
                m_internal = Internal::Normal;
                if (int ec = parseChar(m_hexByte))
                    return ec;
            }
            continue;
        }
        int ec = RtfOk;
        switch (ch) {
        case '{': ec = pushGroup(); break;
        case '}': ec = popGroup(); break;
        case '\\': ec = parseKeyword(); break;
        case '\r':
        case '\n': break;
        default: ec = parseChar(ch); break;
        }
        if (ec != RtfOk)
            return ec;
    }
    if (m_depth < 0)
        return RtfStackUnderflow;
    if (m_internal != Internal::Normal)
        return RtfEndOfFile;
    return m_depth > 0 ? RtfUnmatchedBrace : RtfOk;
}

int CRtfReader::pushGroup() {
    if (m_depth >= kMaxGroupDepth)
        return RtfNoMemory;
    m_stack.push_back(SavedState{m_chp, m_pap, m_sep, m_dest, m_internal});
    m_internal = Internal::Normal;
    ++m_depth;
    return RtfOk;
}

int CRtfReader::popGroup() {
    if (m_stack.empty()) {
        --m_depth;
        return RtfStackUnderflow;
    }
    if (m_destKeyword == DestKeyword::FontTable)
        finishFontName();
    m_fontName.clear();
    if (m_destKeyword == DestKeyword::ColourTable && m_depth == m_destDepth)
        finishColour();
    const SavedState& saved = m_stack.back();
    m_chp = saved.chp;
    m_pap = saved.pap;
    m_sep = saved.sep;
    m_dest = saved.dest;
    m_internal = saved.internal;
    m_stack.pop_back();
    --m_depth;
    if (m_destKeyword != DestKeyword::None && m_depth < m_destDepth)
        m_destKeyword = DestKeyword::None;
    return RtfOk;
}

int CRtfReader::parseKeyword() {
    const size_t size = m_input.size();
    if (m_pos >= size)
        return RtfEndOfFile;
    unsigned char ch = m_input[m_pos++];
    if (!isLetter(ch))
        return translateKeyword(std::string(1, char(ch)), 0, false, false);

    std::string word;
    bool tooLong = false;
    while (isLetter(ch)) {
        if (word.size() < kMaxKeywordLength)
            word.push_back(char(ch));
        else
            tooLong = true;
        if (m_pos >= size)
            return translateKeyword(word, 0, false, tooLong);
        ch = m_input[m_pos++];
    }
    bool negative = false;
    if (ch == '-') {
        negative = true;
        if (m_pos >= size)
            return RtfEndOfFile;
        ch = m_input[m_pos++];
    }
    bool hasParam = false;
    long long value = 0;
    bool atEnd = false;
    while (isDigit(ch)) {
        hasParam = true;
        if (value < kParamLimit)
            value = value * 10 + (ch - '0');
        if (m_pos >= size) {
            atEnd = true;
            break;
        }
        ch = m_input[m_pos++];
    }
    if (!atEnd && ch != ' ')
        --m_pos;  // the delimiter belongs to the text; only a blank is consumed
    value = std::min(value, kParamLimit);
    return translateKeyword(word, int(negative ? -value : value), hasParam, tooLong);
}

int CRtfReader::translateKeyword(const std::string& word, int param, bool hasParam, bool tooLong) {
    const int i = tooLong ? -1 : lookup(word);
    if (i < 0) {
        if (m_skipNextDest)
            m_dest = Dest::Skip;
        m_skipNextDest = false;
        return RtfOk;
    }
    m_skipNextDest = false;
    const RtfKeyword& k = m_table[size_t(i)];
    const int value = k.useDefault || !hasParam ? k.defaultValue : param;
    switch (k.kind) {
    case K::Character:
        if (k.index < 0 || k.index > 255)
            return RtfBadTable;
        return parseChar(static_cast<unsigned char>(k.index));
    case K::Destination:
        if (lowered(k.keyword) == "fonttbl" || lowered(k.keyword) == "colortbl") {
            if (m_dest != Dest::Skip) {
                m_destKeyword = lowered(k.keyword) == "fonttbl" ? DestKeyword::FontTable
                                                                : DestKeyword::ColourTable;
                m_destDepth = m_depth;
            }
        }
        return changeDestination(k.index);
    case K::Property: return applyProperty(k.index, value);
    case K::Special: return parseSpecial(k.index, value);
    case K::Colour: return applyColour(k.index, value);
    case K::Formatting: return applyFormatting(k.index, value, hasParam);
    }
    return RtfBadTable;
}

int CRtfReader::changeDestination(int index) {
    if (index != kDestFontTable && index != kDestSkip)
        return RtfBadTable;
    if (m_dest == Dest::Skip)
        return RtfOk;  // a destination inside a skipped one stays skipped
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
    case kPropLeftIndent: m_pap.leftIndent = value; break;
    case kPropRightIndent: m_pap.rightIndent = value; break;
    case kPropFirstIndent: m_pap.firstIndent = value; break;
    case kPropJustify: m_pap.justify = value; break;
    case kPropCols: m_sep.cols = value; break;
    case kPropSectionBreak: m_sep.breakKind = value; break;
    case kPropPgnX: m_sep.pgnX = static_cast<unsigned char>(value); break;
    case kPropPgnY: m_sep.pgnY = static_cast<unsigned char>(value); break;
    case kPropPgnFormat: m_sep.pgnFormat = value; break;
    case kPropPaperW: m_sep.paperW = value; break;
    case kPropPaperH: m_sep.paperH = value; break;
    case kPropMargL: m_sep.margL = s16(value); break;
    case kPropMargR: m_sep.margR = s16(value); break;
    case kPropMargT: m_sep.margT = s16(value); break;
    case kPropMargB: m_sep.margB = s16(value); break;
    case kPropPgnStart: m_sep.pgnStart = s16(value); break;
    case kPropFacing: m_sep.facing = value != 0; break;
    case kPropLandscape: m_sep.landscape = value != 0; break;
    default: return RtfBadTable;
    }
    return RtfOk;
}

int CRtfReader::applyColour(int index, int value) {
    if (index < kRed || index > kBlue)
        return RtfBadTable;
    // Colour components count only inside the colour table.
    if (m_destKeyword != DestKeyword::ColourTable)
        return RtfOk;
    const int v = std::clamp(value, 0, 255);
    (index == kRed ? m_red : index == kGreen ? m_green : m_blue) = v;
    m_colourPending = true;
    return RtfOk;
}

int CRtfReader::applyFormatting(int index, int value, bool hasParam) {
    (void)hasParam;
    if (index < kFmtBold || index > kFmtPar)
        return RtfBadTable;
    if (m_dest == Dest::FontTable && index == kFmtFont) {
        m_fontNumber = value;
        return RtfOk;
    }
    // Formatting inside the font table, style sheets and other destinations describes those
    // destinations, not the text.
    if (m_dest != Dest::Normal)
        return RtfOk;
    switch (index) {
    case kFmtBold: m_bold = value != 0; break;
    case kFmtItalic: m_italic = value != 0; break;
    case kFmtU: break;  // the Unicode form is not read; the fallback text that follows is
    case kFmtUl: m_underline = value != 0; break;
    case kFmtUlNone: m_underline = false; break;
    case kFmtStrike: m_strike = value != 0; break;
    case kFmtFont: m_font = value; break;
    case kFmtColour: m_colour = value; break;
    case kFmtSize: m_halfPoints = value; break;
    case kFmtSl: m_sl = value; break;
    case kFmtSlMult: m_slmult = value; break;
    case kFmtPar:
        m_leadByte = -1;  // a lead byte without its trail byte is dropped
        recordRun(std::string(1, '\r'));
        m_spacings.push_back(RtfParagraphSpacing{m_sl, m_slmult});
        ++m_paragraph;
        break;
    }
    return RtfOk;
}

int CRtfReader::parseChar(unsigned char b) {
    switch (m_dest) {
    case Dest::Skip:
        if (b == ';' && m_destKeyword == DestKeyword::ColourTable)
            finishColour();
        break;
    case Dest::FontTable:
        if (b == ';')
            finishFontName();
        else if (b != 0 && m_fontName.size() < kMaxFontNameLength)
            m_fontName.push_back(char(b));
        break;
    case Dest::Normal:
        addTextByte(b);
        break;
    }
    return RtfOk;
}

void CRtfReader::addTextByte(unsigned char b) {
    if (b == 0)
        return;  // a NUL is no character of the text
    if (m_leadByte >= 0) {
        std::string pair{char(m_leadByte), char(b)};
        m_leadByte = -1;
        recordRun(std::move(pair));
        return;
    }
    if (IsDBCSLeadByteEx(m_codePage, b)) {
        m_leadByte = b;
        return;
    }
    recordRun(std::string(1, char(b)));
}

void CRtfReader::recordRun(std::string bytes) {
    RtfCharRun r;
    r.paragraph = m_paragraph;
    r.bytes = std::move(bytes);
    r.bold = m_bold;
    r.italic = m_italic;
    r.underline = m_underline;
    r.strike = m_strike;
    r.font = m_font;
    r.colour = m_colour;
    r.halfPoints = m_halfPoints;
    m_runs.push_back(std::move(r));
}

void CRtfReader::finishFontName() {
    if (m_fontName.empty())
        return;
    m_fontNumbers.push_back(m_fontNumber >= 0 ? m_fontNumber : int(m_fontNames.size()));
    m_fontNames.push_back(m_fontName);
    m_fontName.clear();
    m_fontNumber = -1;
}

void CRtfReader::finishColour() {
    if (!m_colourPending)
        return;
    m_colours.push_back(uint32_t(m_red) << 16 | uint32_t(m_green) << 8 | uint32_t(m_blue));
    m_red = m_green = m_blue = 0;
    m_colourPending = false;
}

namespace {

std::wstring fromCodePage(const std::string& bytes, unsigned codePage) {
    if (bytes.empty())
        return std::wstring();
    const UINT cp = codePage ? codePage : CP_ACP;
    const int n = MultiByteToWideChar(cp, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(cp, 0, bytes.data(), int(bytes.size()), out.data(), n);
    return out;
}

// The table entry a run's "f" number names: the entry declared with that number, else (as for
// documents whose fonts are numbered by position) the entry at that position, clamped.
size_t fontEntryFor(const CRtfReader& reader, int number) {
    const std::vector<int>& numbers = reader.fontNumbers();
    for (size_t i = 0; i < numbers.size(); ++i)
        if (numbers[i] == number)
            return i;
    return std::min(size_t(number), reader.fontNames().size() - 1);
}

constexpr int kDefaultHalfPoints = 24;  // RTF's own default size, 12 points
constexpr int kMaxPoints = 999;

} // namespace

std::vector<RtfInsertChar> rtfCharactersToInsert(const CRtfReader& reader, unsigned codePage) {
    std::vector<uint32_t> colours{0};
    colours.insert(colours.end(), reader.colours().begin(), reader.colours().end());
    std::vector<std::wstring> families;
    for (const std::string& name : reader.fontNames())
        families.push_back(fromCodePage(name, codePage));

    std::vector<RtfInsertChar> out;
    out.reserve(reader.runs().size());
    for (const RtfCharRun& run : reader.runs()) {
        const std::wstring text = fromCodePage(run.bytes, codePage);
        if (text.empty() || text[0] == L'\0')
            continue;
        RtfInsertChar c;
        c.ch = text[0];
        if (run.font >= 0 && !families.empty()) {
            c.setFont = true;
            c.family = families[fontEntryFor(reader, run.font)];
            c.style = (run.bold ? 1 : 0) | (run.italic ? 2 : 0) | (run.underline ? 4 : 0) |
                      (run.strike ? 8 : 0);
            const int halfPoints = run.halfPoints > 0 ? run.halfPoints : kDefaultHalfPoints;
            const int points = std::clamp(halfPoints / 2, 1, kMaxPoints);
            c.pixelSize = pointsToPixels(points, c.family);
        }
        if (run.colour >= 0) {
            c.setColour = true;
            const size_t k = std::min(size_t(run.colour), colours.size() - 1);
            c.argb = 0xFE000000u | colours[k];
        }
        out.push_back(std::move(c));
    }
    return out;
}

int loadRtfCharacters(const void* data, size_t size, std::vector<RtfInsertChar>& out) {
    out.clear();
    CRtfReader reader;
    const int ec = reader.parse(data, size);
    if (ec == RtfOk)
        out = rtfCharactersToInsert(reader);
    return ec;
}

int loadRtfCharacters(const std::wstring& path, std::vector<RtfInsertChar>& out) {
    out.clear();
    CRtfReader reader;
    const int ec = reader.open(path);
    if (ec == RtfOk)
        out = rtfCharactersToInsert(reader);
    return ec;
}
