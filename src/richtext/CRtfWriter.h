#pragma once
// The RTF writer: the low-level CRtfWriter and the routine that writes a whole document of
// character runs in the program's small dialect (one line: header, font table, color table,
// runs with "\par " for line ends).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One stretch of text with one format. The glyph code passes one run per character glyph.
struct RtfRun {
    std::wstring text;          // line ends ("\r\n", "\r", "\n") become "\par "
    uint32_t argb = 0xFF000000; // looked up in RtfDocument::colors
    int font = 0;               // position in RtfDocument::fontFamilies
    int sizePixels = 0;         // the font's size truncated to whole pixels
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

struct RtfDocument {
    // Family names of the font table, one per cached font, in the font cache's key order (the
    // same family may appear more than once: the cache holds one font per size and style).
    std::vector<std::wstring> fontFamilies;
    // Colors of the color table in ascending ARGB order; empty → no color table.
    std::vector<uint32_t> colors;
    std::vector<RtfRun> runs;
    // Code page of the text bytes and of the "ansicpg" header word; 0 → the ANSI code page.
    unsigned codePage = 0;
};

class CRtfWriter {
public:
    // Writes to a C stream that the writer owns from now on and closes when destroyed.
    explicit CRtfWriter(FILE* file, unsigned codePage = 0);
    // Appends to a memory buffer that the caller owns.
    explicit CRtfWriter(std::string* buffer, unsigned codePage = 0);
    virtual ~CRtfWriter();
    CRtfWriter(const CRtfWriter&) = delete;
    CRtfWriter& operator=(const CRtfWriter&) = delete;

    void beginGroup();
    void endGroup();
    // Backslash (or "\*\" for a destination) and the word, no delimiter. Without pretty
    // printing "par" and "pard" start on a new line (CR LF first).
    void writeControlWord(const std::wstring& word, bool destination = false);
    // Converts to the code page and escapes: tab → "\tab ", "\" "{" "}" → backslash-prefixed,
    // bytes below 0x20 or from 0x80 → "\'xx", characters outside the code page → "\uN?".
    void writeText(const std::wstring& text);
    // Bytes written as they are (already escaped RTF).
    void writeRaw(const std::string& bytes);

    void setPrettyPrint(bool on) { m_pretty = on ? 1 : 0; }
    int depth() const { return m_depth; }
    unsigned codePage() const { return m_codePage; }
    // False once any write failed.
    bool good() const { return !m_failed; }
    // Closes the file (if any); false when a write or the close failed.
    bool close();

private:
    void put(const char* bytes, size_t count);
    void put(const std::string& bytes) { put(bytes.data(), bytes.size()); }
    void newLineAndIndent();

    FILE* m_file = nullptr;
    std::string* m_buffer = nullptr;
    int m_depth = 0;
    int m_pretty = 0;
    int m_indentLevel = 0;
    int m_column = 0;
    std::wstring m_indentUnit = L"   ";
    std::string m_hexDigits = "0123456789abcdef";
    unsigned m_codePage;
    bool m_failed = false;
};

// Text converted to the code page (0 → ANSI code page); unmappable characters become the code
// page's default character.
std::string toCodePage(const std::wstring& text, unsigned codePage);
// The RTF escaping of already converted bytes (see CRtfWriter::writeText).
std::string rtfEscapeBytes(const std::string& bytes);
// The text as RTF: the characters the code page holds (0 → ANSI code page) exactly are
// converted and escaped as rtfEscapeBytes does; every other one is written as "\uN?" (N the
// signed 16-bit code unit, "?" the fallback), a character above U+FFFF as its two surrogates.
std::string rtfEscapeText(const std::wstring& text, unsigned codePage);

// Writes the whole document (header, font table, color table, runs) through the writer.
void writeRtfDocument(CRtfWriter& writer, const RtfDocument& doc);
// The document as bytes; empty when there are no runs.
std::string rtfToString(const RtfDocument& doc);
// Creates or truncates the file and writes the document. Nothing is written (and the file is
// not touched) when there are no runs. True only when the file was written: it is written beside
// the target and moved over it, so a failed save leaves the old file as it was.
bool writeRtf(const std::wstring& path, const RtfDocument& doc);
