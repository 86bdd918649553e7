#pragma once
// The RTF reader: a table-driven byte tokenizer with a group stack. It collects the font names,
// the colour table, one run per character with its formatting and the paragraph spacings;
// rtfCharactersToInsert turns that into the characters the editor inserts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Result codes of CRtfReader::parse and open.
enum RtfResult : int {
    RtfOk = 0,
    RtfStackUnderflow = 1,  // more "}" than "{"
    RtfNoMemory = 2,        // no memory for a group (or nesting deeper than the reader allows)
    RtfUnmatchedBrace = 3,  // "{" left open at the end of the input
    RtfInvalidHex = 4,      // a "\'" escape with a non-hexadecimal digit
    RtfBadTable = 5,        // a keyword table entry the reader does not understand
    RtfInternalState = 6,   // a table entry asked for an internal state the reader does not have
    RtfEndOfFile = 7,       // the input ended inside a keyword, a hex escape or "\bin" data
    RtfCannotOpen = 8,      // the file cannot be opened or read
};

enum class RtfKeywordKind : int { Character, Destination, Property, Special, Colour, Formatting };

// One entry of the keyword table. `index` means: the character code (Character), a destination,
// property, special action, colour component or formatting action (see CRtfReader.cpp).
struct RtfKeyword {
    const char* keyword;
    int defaultValue;
    bool useDefault;  // the parameter is ignored and the default used
    RtfKeywordKind kind;
    int index;
};

struct RtfCharRun {
    int paragraph = 0;
    std::string bytes;  // one byte, two for a double-byte character, or "\r" for a paragraph end
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int font = -1;       // "f" parameter, −1 before any
    int colour = -1;     // "cf" parameter, −1 before any
    int halfPoints = 0;  // "fs" parameter, 0 before any
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

    // codePage (0 → the ANSI code page) decides which bytes lead a double-byte character.
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

    const std::vector<std::string>& fontNames() const { return m_fontNames; }
    // The "f" number each font-table entry was declared with, parallel to fontNames().
    const std::vector<int>& fontNumbers() const { return m_fontNumbers; }
    // 0x00RRGGBB, in table order, without the automatic colour.
    const std::vector<uint32_t>& colours() const { return m_colours; }
    const std::vector<RtfCharRun>& runs() const { return m_runs; }
    const std::vector<RtfParagraphSpacing>& paragraphSpacings() const { return m_spacings; }

    static const RtfKeyword* defaultTable(size_t* count);

private:
    enum class Internal { Normal, Binary, Hex };
    enum class Dest { Normal, Skip, FontTable };
    enum class DestKeyword { None, FontTable, ColourTable };

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
    };

    void reset();
    int run();
    int pushGroup();
    int popGroup();
    int parseKeyword();
    int translateKeyword(const std::string& word, int param, bool hasParam, bool tooLong);
    int changeDestination(int index);
    int parseSpecial(int index, int param);
    int applyProperty(int index, int value);
    int applyColour(int index, int value);
    int applyFormatting(int index, int param, bool hasParam);
    int parseChar(unsigned char b);
    void addTextByte(unsigned char b);
    void recordRun(std::string bytes);
    void finishFontName();
    void finishColour();
    int lookup(const std::string& word) const;

    std::vector<RtfKeyword> m_table;
    std::vector<std::pair<std::string, int>> m_index;  // lower-case keyword → entry, sorted
    unsigned m_codePage;

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
    int m_font = -1, m_colour = -1, m_halfPoints = 0;
    int m_sl = 240, m_slmult = 1;
    DestKeyword m_destKeyword = DestKeyword::None;
    int m_destDepth = 0;

    int m_leadByte = -1;  // lead byte waiting for its trail byte
    std::string m_fontName;
    int m_fontNumber = -1;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourPending = false;
    int m_paragraph = 0;

    std::vector<std::string> m_fontNames;
    std::vector<int> m_fontNumbers;
    std::vector<uint32_t> m_colours;
    std::vector<RtfCharRun> m_runs;
    std::vector<RtfParagraphSpacing> m_spacings;
};

// One character for the editor to insert at its caret, with the font and colour to make
// current first. setFont / setColour false: keep the editor's current font / colour.
struct RtfInsertChar {
    wchar_t ch = 0;
    bool setFont = false;
    std::wstring family;
    int style = 0;  // 1 bold, 2 italic, 4 underline, 8 strikeout
    int pixelSize = 0;
    bool setColour = false;
    uint32_t argb = 0;  // alpha 0xFE with the table colour
};

// The characters of a successfully parsed document (codePage 0 → the ANSI code page). Colour
// index 0 is black, k ≥ 1 the k-th table colour; a run without "fs" uses 12 points.
std::vector<RtfInsertChar> rtfCharactersToInsert(const CRtfReader& reader, unsigned codePage = 0);

// Parses and converts; any result other than RtfOk leaves `out` empty.
int loadRtfCharacters(const void* data, size_t size, std::vector<RtfInsertChar>& out);
int loadRtfCharacters(const std::wstring& path, std::vector<RtfInsertChar>& out);
