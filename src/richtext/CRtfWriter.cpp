#include "CRtfWriter.h"

#include "AtomicFile.h"
#include "RtfFontSizes.h"

#include <windows.h>

#include <map>

namespace {

unsigned resolveCodePage(unsigned codePage) { return codePage ? codePage : GetACP(); }

std::string narrow(const std::wstring& word) {
    std::string out;
    out.reserve(word.size());
    for (wchar_t c : word) out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

} // namespace

std::string toCodePage(const std::wstring& text, unsigned codePage) {
    if (text.empty()) return std::string();
    const UINT cp = resolveCodePage(codePage);
    const int n = WideCharToMultiByte(cp, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(cp, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string rtfEscapeBytes(const std::string& bytes) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b == '\t') {
            out += "\\tab ";
        } else if (b >= 0x20 && b <= 0x7F) {
            if (b == '\\' || b == '{' || b == '}') out.push_back('\\');
            out.push_back(char(b));
        } else {
            out += "\\'";
            out.push_back(hex[b >> 4]);
            out.push_back(hex[b & 15]);
        }
    }
    return out;
}

namespace {

// Whether the code page holds the code point exactly (no best fit, no default character).
bool holds(UINT codePage, const wchar_t* units, int count) {
    if (count == 1 && units[0] < 0x80) return true;
    if (codePage == CP_UTF8) return count == 2 || units[0] < 0xD800 || units[0] > 0xDFFF;
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, count, bytes, sizeof bytes,
                                      nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}

bool holdsAll(UINT codePage, const std::wstring& text) {
    if (codePage == CP_UTF8) return false; // checked character by character
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), nullptr,
                                      0, nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}

void appendUnicode(std::string& out, wchar_t unit) {
    // "\u" takes a signed 16-bit value; "?" is the fallback for readers without Unicode.
    out += "\\u";
    out += std::to_string(int(int16_t(uint16_t(unit))));
    out += '?';
}

} // namespace

std::string rtfEscapeText(const std::wstring& text, unsigned codePage) {
    const UINT cp = resolveCodePage(codePage);
    if (text.empty() || holdsAll(cp, text)) return rtfEscapeBytes(toCodePage(text, cp));
    std::string out;
    size_t held = 0; // start of the stretch the code page holds
    size_t i = 0;
    while (i < text.size()) {
        const bool pair = i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        const int count = pair ? 2 : 1;
        if (holds(cp, text.data() + i, count)) {
            i += size_t(count);
            continue;
        }
        out += rtfEscapeBytes(toCodePage(text.substr(held, i - held), cp));
        for (int k = 0; k < count; ++k) appendUnicode(out, text[i + size_t(k)]);
        i += size_t(count);
        held = i;
    }
    out += rtfEscapeBytes(toCodePage(text.substr(held), cp));
    return out;
}

CRtfWriter::CRtfWriter(FILE* file, unsigned codePage) : m_file(file), m_codePage(resolveCodePage(codePage)) {
    if (!m_file) m_failed = true;
}

CRtfWriter::CRtfWriter(std::string* buffer, unsigned codePage)
    : m_buffer(buffer), m_codePage(resolveCodePage(codePage)) {
    if (!m_buffer) m_failed = true;
}

CRtfWriter::~CRtfWriter() { close(); }

bool CRtfWriter::close() {
    if (m_file) {
        if (std::fclose(m_file) != 0) m_failed = true;
        m_file = nullptr;
    }
    return !m_failed;
}

void CRtfWriter::put(const char* bytes, size_t count) {
    if (count == 0) return;
    if (m_buffer) {
        m_buffer->append(bytes, count);
    } else if (m_file) {
        if (std::fwrite(bytes, 1, count, m_file) != count) m_failed = true;
    } else {
        m_failed = true;
    }
    m_column += int(count);
}

void CRtfWriter::newLineAndIndent() {
    put("\r\n", 2);
    m_column = 0;
    const std::string unit = narrow(m_indentUnit);
    for (int i = 0; i < m_indentLevel; ++i) put(unit);
}

void CRtfWriter::beginGroup() {
    if (m_pretty && m_indentLevel > 0) newLineAndIndent();
    put("{", 1);
    ++m_depth;
    if (m_pretty) ++m_indentLevel;
}

void CRtfWriter::endGroup() {
    --m_depth;
    if (m_pretty) {
        if (m_indentLevel > 0) --m_indentLevel;
        newLineAndIndent();
    }
    put("}", 1);
}

void CRtfWriter::writeControlWord(const std::wstring& word, bool destination) {
    if (!m_pretty && (word == L"par" || word == L"pard")) {
        put("\r\n", 2);
        m_column = 0;
    }
    put(destination ? "\\*\\" : "\\", destination ? 3 : 1);
    put(narrow(word));
}

void CRtfWriter::writeText(const std::wstring& text) { put(rtfEscapeText(text, m_codePage)); }

void CRtfWriter::writeRaw(const std::string& bytes) { put(bytes); }

namespace {

// Runs' text with every "\r\n", "\r" and "\n" as "\par " and the rest escaped.
std::string escapeRunText(const std::wstring& text, unsigned codePage) {
    std::string out;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        if (!end && text[i] != L'\r' && text[i] != L'\n') continue;
        out += rtfEscapeText(text.substr(start, i - start), codePage);
        if (end) break;
        out += "\\par ";
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        start = i + 1;
    }
    return out;
}

void writeHeaderAndTables(CRtfWriter& w, const RtfDocument& doc) {
    w.beginGroup();
    w.writeControlWord(L"rtf1");
    w.writeControlWord(L"ansi");
    w.writeControlWord(L"ansicpg" + std::to_wstring(w.codePage()));

    w.beginGroup();
    w.writeControlWord(L"fonttbl");
    for (size_t i = 0; i < doc.fontFamilies.size(); ++i) {
        const std::wstring& family = doc.fontFamilies[i];
        w.beginGroup();
        w.writeControlWord(L"f" + std::to_wstring(i));
        // A name that starts like a parameter would be read as part of the number.
        if (!family.empty() && (iswdigit(family[0]) || family[0] == L'-' || family[0] == L' '))
            w.writeRaw(" ");
        w.writeText(family + L";");
        w.endGroup();
    }
    w.endGroup();

    if (!doc.colors.empty()) {
        w.beginGroup();
        w.writeControlWord(L"colortbl");
        w.writeText(L";");
        for (uint32_t argb : doc.colors) {
            w.writeControlWord(L"red" + std::to_wstring((argb >> 16) & 0xFF));
            w.writeControlWord(L"green" + std::to_wstring((argb >> 8) & 0xFF));
            w.writeControlWord(L"blue" + std::to_wstring(argb & 0xFF));
            w.writeText(L";");
        }
        w.endGroup();
    }
}

struct RunState {
    int color = -1;
    int font = -1;
    int points = -1;
    bool bold = false, italic = false, underline = false, strike = false;
};

// Writes the toggles of one style whose state changed; returns whether a word was written.
bool writeToggle(CRtfWriter& w, bool& last, bool now, const wchar_t* on, const wchar_t* off) {
    if (last == now) return false;
    w.writeControlWord(now ? on : off);
    last = now;
    return true;
}

void writeRuns(CRtfWriter& w, const RtfDocument& doc) {
    std::map<uint32_t, int> colorPos;
    for (size_t j = 0; j < doc.colors.size(); ++j) colorPos.emplace(doc.colors[j], int(j));
    const int fontCount = int(doc.fontFamilies.size());

    RunState last;
    for (const RtfRun& run : doc.runs) {
        if (run.text.empty()) continue;
        bool wrote = false;
        auto c = colorPos.find(run.argb);
        const int color = c == colorPos.end() ? 0 : c->second;
        if (color != last.color) {
            w.writeControlWord(L"cf" + std::to_wstring(color + 1));
            last.color = color;
            wrote = true;
        }
        const int font = run.font >= 0 && run.font < fontCount ? run.font : 0;
        if (font != last.font) {
            w.writeControlWord(L"f" + std::to_wstring(font));
            last.font = font;
            wrote = true;
        }
        wrote |= writeToggle(w, last.bold, run.bold, L"b", L"b0");
        wrote |= writeToggle(w, last.italic, run.italic, L"i", L"i0");
        wrote |= writeToggle(w, last.underline, run.underline, L"ul", L"ulnone");
        wrote |= writeToggle(w, last.strike, run.strike, L"strike", L"strike0");
        static const std::wstring noFamily;
        const std::wstring& family = fontCount ? doc.fontFamilies[size_t(font)] : noFamily;
        const int points = pixelsToPoints(run.sizePixels, family);
        if (points != last.points) {
            w.writeControlWord(L"fs" + std::to_wstring(2 * points));
            last.points = points;
            wrote = true;
        }
        if (wrote) w.writeRaw(" ");
        w.writeRaw(escapeRunText(run.text, w.codePage()));
    }
}

} // namespace

void writeRtfDocument(CRtfWriter& writer, const RtfDocument& doc) {
    writeHeaderAndTables(writer, doc);
    writeRuns(writer, doc);
    writer.endGroup();
}

std::string rtfToString(const RtfDocument& doc) {
    std::string out;
    if (doc.runs.empty()) return out;
    CRtfWriter writer(&out, doc.codePage);
    writeRtfDocument(writer, doc);
    return out;
}

bool writeRtf(const std::wstring& path, const RtfDocument& doc) {
    if (doc.runs.empty()) return false;
    // The same atomic replace as every other file: a unique temporary file beside the target,
    // flushed, then moved over it, so that a failed or interrupted save never leaves a
    // half-written body behind.
    return replaceFileAtomically(path, rtfToString(doc));
}
