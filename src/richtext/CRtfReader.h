#pragma once
// The RTF reader: a table-driven byte tokenizer with a group stack. It collects the font names,
// the color table, the text in runs of one format and the paragraph spacings;
// rtfCharactersToInsert turns that into the characters the editor inserts. Text is decoded to
// UTF-16 as it is read: 8-bit text and "\'hh" bytes in the code page of the run's font
// ("fcharset") or of the document ("ansicpg"), "\uN" as the code unit N.
#include "RtfCodePage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Result codes of CRtfReader::parse and open.
enum RtfResult : int {
    RtfOk = 0,
    RtfStackUnderflow = 1, // more "}" than "{"
    RtfNoMemory = 2,       // no memory for a group (or nesting deeper than the reader allows)
    RtfUnmatchedBrace = 3, // "{" left open at the end of the input
    RtfInvalidHex = 4,     // a "\'" escape with a non-hexadecimal digit
    RtfBadTable = 5,       // a keyword table entry the reader does not understand
    RtfInternalState = 6,  // a table entry asked for an internal state the reader does not have
    RtfEndOfFile = 7,      // the input ended inside a keyword, a hex escape or "\bin" data
    RtfCannotOpen = 8,     // the file cannot be opened or read
    // Not a parse result: a paste refused the document because its text did not decode
    // exactly (CRtfReader::lossy), so that the plain-text form can be pasted instead.
    RtfLossy = 9,
};

enum class RtfKeywordKind : int { Character, Destination, Property, Special, Color, Formatting };

// One entry of the keyword table. `index` means: the character code (Character), a destination,
// property, special action, color component or formatting action (see CRtfReader.cpp).
struct RtfKeyword {
    const char* keyword;
    int defaultValue;
    bool useDefault; // the parameter is ignored and the default used
    RtfKeywordKind kind;
    int index;
};

// Neighbouring characters of one format share a run.
struct RtfCharRun {
    int paragraph = 0; // paragraph of the run's first character
    std::wstring text; // UTF-16, "\r" for each paragraph end
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int font = -1;      // "f" parameter, −1 before any
    int color = -1;     // "cf" parameter, −1 before any
    int halfPoints = 0; // "fs" parameter, 0 before any
};

struct RtfParagraphSpacing {
    int sl = 240;
    int slmult = 1;
};

class CRtfReader {
public:
    // Deepest group nesting accepted; one level more gives RtfNoMemory.
    static constexpr int kMaxGroupDepth = 10000;
    static constexpr size_t kMaxKeywordLength = 32;
    static constexpr size_t kMaxFontNameLength = 256;
    static constexpr size_t kMaxFileSize = 256u << 20;
    // Font-table entries kept; later entries are ignored (their numbers fall back like
    // undeclared ones).
    static constexpr size_t kMaxFonts = 2048;
    static constexpr size_t kMaxColors = 4096;
    // Runs kept; text after the last one joins it in its format.
    static constexpr size_t kMaxRuns = size_t(1) << 18;
    // Largest "\uc" skip count obeyed.
    static constexpr int kMaxUnicodeSkip = 64;

    // codePage (0 → the ANSI code page) is the document's code page until "ansicpg" names one.
    explicit CRtfReader(unsigned codePage = 0);
    // With another keyword table (tests use broken ones).
    CRtfReader(unsigned codePage, const RtfKeyword* table, size_t count);
    virtual ~CRtfReader() = default;

    // Reads the whole file (binary: text mode would stop at byte 0x1A and rewrite CR LF) and
    // parses it.
    int open(const char* ansiPath);
    int open(const std::wstring& path);
    int parse(const void* data, size_t size);
    // Parses the input given last (again from the start).
    int parse();

    const std::vector<std::wstring>& fontNames() const { return m_fontNames; }
    // The "f" number each font-table entry was declared with, parallel to fontNames().
    const std::vector<int>& fontNumbers() const { return m_fontNumbers; }
    // The entry an "f" number names: the entry declared with it, else (as for documents whose
    // fonts are numbered by position) the entry at that position, clamped; −1 without fonts or
    // for a negative number.
    int fontEntry(int number) const;
    // 0x00RRGGBB, in table order, without the automatic color.
    const std::vector<uint32_t>& colors() const { return m_colors; }
    const std::vector<RtfCharRun>& runs() const { return m_runs; }
    const std::vector<RtfParagraphSpacing>& paragraphSpacings() const { return m_spacings; }
    // The text met bytes it could not decode, an unpaired surrogate, a "\u" value out of
    // range or a code page the system does not have: what was read differs from what was
    // meant.
    bool lossy() const { return m_lossy || m_decoder.lossy(); }

    static const RtfKeyword* defaultTable(size_t* count);

private:
    enum class Internal { Normal, Binary, Hex };
    enum class Dest { Normal, Skip, FontTable };
    enum class DestKeyword { None, FontTable, ColorTable };

    struct CharProps {
        unsigned char bold = 0, italic = 0;
    };
    struct ParaProps {
        int32_t leftIndent = 0, rightIndent = 0, firstIndent = 0, justify = 0, reserved[5] = {};
    };
    struct SectDocProps {
        int32_t cols = 1, breakKind = 0, pgnFormat = 0, paperW = 12240, paperH = 15480;
        int16_t margL = 1800, margR = 1800, margT = 1440, margB = 1440, pgnStart = 1;
        unsigned char facing = 0, landscape = 0, pgnX = 0, pgnY = 0;
    };
    struct SavedState {
        CharProps chp;
        ParaProps pap;
        SectDocProps sep;
        Dest dest;
        Internal internal;
        int unicodeSkip;
        // The text's own formatting: a group that turns bold on for a word ends with the word.
        bool bold, italic, underline, strike;
        int font, color, halfPoints;
    };
    enum class Sink { None, Text, FontName };

    void reset();
    int run();
    int pushGroup();
    int popGroup();
    int parseKeyword();
    int translateKeyword(const std::string& word, int param, bool hasParam, bool tooLong);
    int changeDestination(int index);
    int parseSpecial(int index, int param);
    int applyProperty(int index, int value);
    int applyColor(int index, int value);
    int applyFormatting(int index, int param, bool hasParam);
    int parseChar(unsigned char b);
    void decodeByte(unsigned char b, Sink sink);
    void flushDecoder(Sink sink);
    void emitUnits(const RtfByteDecoder::Units& units, Sink sink);
    void emitUnit(wchar_t u, Sink sink);
    bool appendUnit(wchar_t u, Sink sink);
    void closeLoneSurrogate();
    void applyUnicode(int value);
    unsigned codePageFor(Sink sink);
    void finishFontName();
    void finishColor();
    int lookup(const std::string& word) const;

    std::vector<RtfKeyword> m_table;
    std::vector<std::pair<std::string, int>> m_index; // lower-case keyword → entry, sorted

    std::vector<unsigned char> m_input;
    size_t m_pos = 0;

    int m_depth = 0;
    Internal m_internal = Internal::Normal;
    Dest m_dest = Dest::Normal;
    long long m_binCount = 0;
    bool m_skipNextDest = false;
    int m_hexNibbles = 0;
    unsigned char m_hexByte = 0;
    CharProps m_chp;
    ParaProps m_pap;
    SectDocProps m_sep;
    std::vector<SavedState> m_stack;

    bool m_bold = false, m_italic = false, m_underline = false, m_strike = false;
    int m_font = -1, m_color = -1, m_halfPoints = 0;
    int m_sl = 240, m_slmult = 1;
    DestKeyword m_destKeyword = DestKeyword::None;
    int m_destDepth = 0;

    unsigned m_defaultCodePage;
    unsigned m_docCodePage = 0;
    int m_unicodeSkip = 1; // "\uc": fallback characters after each "\u"
    int m_skipLeft = 0;    // fallback characters still to skip
    RtfByteDecoder m_decoder;
    bool m_textCodePageKnown = false;
    unsigned m_textCodePage = 0;
    Sink m_highSurrogateIn = Sink::None; // where a high surrogate waits for its low one
    bool m_lossy = false;
    std::wstring m_fontName;
    int m_fontNumber = -1;
    int m_fontCharset = -1;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorPending = false;
    int m_paragraph = 0;

    std::vector<std::wstring> m_fontNames;
    std::vector<int> m_fontNumbers;
    std::vector<unsigned> m_fontCodePages; // 0: the document's code page
    std::unordered_map<int, int> m_fontByNumber;
    std::vector<uint32_t> m_colors;
    std::vector<RtfCharRun> m_runs;
    std::vector<RtfParagraphSpacing> m_spacings;
};

// One character for the editor to insert at its caret, with the font and color to make
// current first. setFont / setColor false: keep the editor's current font / color.
struct RtfInsertChar {
    wchar_t ch = 0;
    bool setFont = false;
    std::wstring family;
    int style = 0; // 1 bold, 2 italic, 4 underline, 8 strikeout
    int pixelSize = 0;
    bool setColor = false;
    uint32_t argb = 0; // alpha 0xFE with the table color
};

// The characters of a successfully parsed document, one per UTF-16 code unit. Color index 0 is
// black, k ≥ 1 the k-th table color; a run without "fs" uses 12 points; sizes are clamped to
// 1 … 999 points. At most kMaxDistinctFonts font/size/style combinations are asked for; a run
// that would need another keeps the editor's current font.
constexpr size_t kMaxDistinctFonts = 256;
std::vector<RtfInsertChar> rtfCharactersToInsert(const CRtfReader& reader);

// Parses and converts; any result other than RtfOk leaves `out` empty. `lossy` (if given)
// receives CRtfReader::lossy().
int loadRtfCharacters(const void* data, size_t size, std::vector<RtfInsertChar>& out, bool* lossy = nullptr);
int loadRtfCharacters(const std::wstring& path, std::vector<RtfInsertChar>& out, bool* lossy = nullptr);
