// Reading a file into the document text (byte-order marks, declared encodings, UTF-8
// detection, the ANSI code page) and writing it back atomically in the same encoding.
#include "XmlCharset.h"
#include "XmlDocument.h"
#include "XmlEscape.h"
#include "AtomicFile.h"
#include "XmlInternal.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace xmlimpl {
namespace {

constexpr size_t kSampleSize = 1024;
constexpr uint64_t kMaxFileBytes = 512ull << 20; // larger files are refused, not half-read

std::wstring widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring systemMessage(DWORD error) {
    wchar_t* buf = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring msg = n && buf ? std::wstring(buf, n) : L"error";
    if (buf) LocalFree(buf);
    size_t eol = msg.find_first_of(L"\r\n");
    if (eol != std::wstring::npos) msg.resize(eol);
    return msg;
}

bool fileError(ResultLog& log, DWORD error, const std::wstring& msg = {}) {
    log.add(L"file_error",
            {{L"msg", msg.empty() ? systemMessage(error) : msg}, {L"n", std::to_wstring(error)}});
    return false;
}

std::wstring codePageName(unsigned cp) {
    switch (cp) {
    case xmlcs::kUtf8:
        return L"UTF-8";
    case xmlcs::kUtf16Le:
        return L"UTF-16LE";
    case xmlcs::kUtf16Be:
        return L"UTF-16BE";
    case xmlcs::kUtf32:
    case xmlcs::kUtf32Le:
        return L"UTF-32";
    case xmlcs::kUtf32Be:
        return L"UTF-32BE";
    default:
        return L"CP" + std::to_wstring(cp);
    }
}

bool is16(unsigned cp) { return cp == xmlcs::kUtf16Le || cp == xmlcs::kUtf16Be; }
bool is32(unsigned cp) { return cp == xmlcs::kUtf32 || cp == xmlcs::kUtf32Le || cp == xmlcs::kUtf32Be; }

// ---- the declared encoding ----------------------------------------------------------------

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

bool isSpaceByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Value of the attribute `name` (lower case) of a tag text; lower is its lower-cased copy.
// Attributes are read in order, so a name inside another attribute's value does not count.
std::string attributeValue(const std::string& tag, const std::string& lower, const std::string& name) {
    size_t i = 0, n = tag.size();
    while (i < n && !isSpaceByte(tag[i])) ++i; // the tag's own name
    while (i < n) {
        while (i < n && (isSpaceByte(tag[i]) || tag[i] == '/' || tag[i] == '?')) ++i;
        size_t ns = i;
        while (i < n && !isSpaceByte(tag[i]) && tag[i] != '=' && tag[i] != '>') ++i;
        if (i == ns) {
            ++i;
            continue;
        }
        std::string attr = lower.substr(ns, i - ns);
        while (i < n && isSpaceByte(tag[i])) ++i;
        std::string value;
        if (i < n && tag[i] == '=') {
            ++i;
            while (i < n && isSpaceByte(tag[i])) ++i;
            if (i < n && (tag[i] == '"' || tag[i] == '\'')) {
                size_t close = tag.find(tag[i], i + 1);
                if (close == std::string::npos) close = n;
                value = tag.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                size_t vs = i;
                while (i < n && !isSpaceByte(tag[i]) && tag[i] != '>' && tag[i] != '?') ++i;
                value = tag.substr(vs, i - vs);
            }
        }
        if (attr == name) return value;
    }
    return {};
}

std::string metaCharset(const std::string& text, const std::string& lower) {
    for (size_t at = lower.find("<meta"); at != std::string::npos; at = lower.find("<meta", at + 5)) {
        size_t end = lower.find('>', at);
        if (end == std::string::npos) end = lower.size();
        std::string tag = text.substr(at, end - at), low = lower.substr(at, end - at);
        std::string cs = attributeValue(tag, low, "charset");
        if (!cs.empty()) return cs;
        if (lowerAscii(attributeValue(tag, low, "http-equiv")) != "content-type") continue;
        std::string content = attributeValue(tag, low, "content");
        size_t k = lowerAscii(content).find("charset=");
        if (k == std::string::npos) continue;
        size_t v = k + 8, w = v;
        while (w < content.size() && content[w] != ';' && !isSpaceByte(content[w])) ++w;
        if (w > v) return content.substr(v, w - v);
    }
    return {};
}

} // namespace

std::string declaredEncoding(const char* bytes, size_t n) {
    std::string text;
    for (size_t i = 0; i < n && text.size() < kSampleSize; ++i)
        if (bytes[i]) text.push_back(bytes[i]); // UTF-16 without a mark: the ASCII shows through
    std::string lower = lowerAscii(text);
    size_t i = 0;
    while (i < text.size() && isSpaceByte(text[i])) ++i;
    if (lower.compare(i, 5, "<?xml") == 0 && i + 5 < text.size() &&
        (isSpaceByte(text[i + 5]) || text[i + 5] == '?')) {
        size_t end = lower.find("?>", i);
        if (end == std::string::npos) end = text.size();
        return attributeValue(text.substr(i, end - i), lower.substr(i, end - i), "encoding");
    }
    if (lower.find("<html") != std::string::npos || lower.find("<head") != std::string::npos)
        return metaCharset(text, lower);
    return {};
}

namespace {

// ---- decoding -----------------------------------------------------------------------------

// Length of the valid UTF-8 sequence at s[i], 0 if invalid; `truncated` when the text ends
// inside an otherwise valid sequence.
size_t utf8Sequence(const unsigned char* s, size_t n, size_t i, bool& truncated) {
    unsigned char c = s[i];
    size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
    if (c >= 0xF5) len = 0;
    if (!len) return 0;
    for (size_t k = 1; k < len; ++k) {
        if (i + k >= n) {
            truncated = true;
            return 0;
        }
        unsigned char b = s[i + k];
        if ((b & 0xC0) != 0x80) return 0;
        if (k == 1) {
            if (c == 0xE0 && b < 0xA0) return 0; // overlong
            if (c == 0xED && b > 0x9F) return 0; // surrogate
            if (c == 0xF0 && b < 0x90) return 0;
            if (c == 0xF4 && b > 0x8F) return 0;
        }
    }
    return len;
}

enum class Utf8Check { Valid, Truncated, Invalid };

Utf8Check checkUtf8(const char* bytes, size_t n) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        bool truncated = false;
        size_t len = utf8Sequence(s, n, i, truncated);
        if (truncated) return Utf8Check::Truncated;
        if (!len) return Utf8Check::Invalid;
        i += len;
    }
    return Utf8Check::Valid;
}

size_t removeNulBytes(std::string& b) {
    size_t kept = 0;
    for (char c : b)
        if (c) b[kept++] = c;
    size_t removed = b.size() - kept;
    b.resize(kept);
    return removed;
}

bool multiByteToWide(unsigned cp, const std::string& b, std::wstring& out) {
    if (b.empty()) return true;
    int need = MultiByteToWideChar(cp, 0, b.data(), int(b.size()), nullptr, 0);
    if (need <= 0) return false;
    out.resize(size_t(need));
    return MultiByteToWideChar(cp, 0, b.data(), int(b.size()), out.data(), need) == need;
}

void decode8(std::string& b, unsigned cp, bool known, std::wstring& text, Encoding& enc, ResultLog& log) {
    if (std::memchr(b.data(), 0, b.size()))
        log.add(L"nulls_removed", {{L"count", std::to_wstring(removeNulBytes(b))}});
    const unsigned wanted = cp;
    Utf8Check check = Utf8Check::Valid;
    if (!known || cp == xmlcs::kUtf8) check = checkUtf8(b.data(), b.size());
    if (!known) {
        if (check != Utf8Check::Invalid) {
            cp = xmlcs::kUtf8;
            log.add(L"utf8_detection", {{L"encoding", L"UTF-8"}});
        } else {
            cp = GetACP();
        }
    }
    if (cp == xmlcs::kUtf8 && check == Utf8Check::Truncated)
        log.add(L"truncation_error", {{L"encoding", L"UTF-8"}});
    // A code page this system cannot convert falls back to the ANSI code page, then 1252.
    if (!multiByteToWide(cp, b, text)) {
        cp = GetACP();
        if (!multiByteToWide(cp, b, text)) {
            cp = 1252;
            if (!multiByteToWide(cp, b, text)) text.assign(b.begin(), b.end());
        }
    }
    if (enc.name.empty() || cp != wanted) enc.name = codePageName(cp);
    enc.codePage = cp;
    log.add(L"converted_to", {{L"encoding", enc.name}, {L"length", std::to_wstring(text.size())}});
}

void decode16(const std::string& b, bool bigEndian, std::wstring& text, ResultLog& log) {
    if (b.size() % 2) log.add(L"truncation_error", {{L"encoding", bigEndian ? L"UTF-16BE" : L"UTF-16LE"}});
    size_t units = b.size() / 2;
    text.resize(units);
    std::memcpy(text.data(), b.data(), units * 2);
    if (bigEndian) {
        for (wchar_t& c : text) c = wchar_t(((c & 0xFF) << 8) | ((c >> 8) & 0xFF));
        log.add(L"endian_swap", {{L"length", std::to_wstring(units)}});
    }
    size_t kept = size_t(std::remove(text.begin(), text.end(), L'\0') - text.begin());
    if (kept != units) {
        log.add(L"nulls_removed", {{L"count", std::to_wstring(units - kept)}});
        text.resize(kept);
    }
}

void decode32(const std::string& b, bool bigEndian, std::wstring& text, ResultLog& log) {
    if (b.size() % 4) log.add(L"truncation_error", {{L"encoding", L"UTF-32"}});
    const unsigned char* s = reinterpret_cast<const unsigned char*>(b.data());
    size_t nulls = 0;
    text.clear();
    text.reserve(b.size() / 4);
    for (size_t i = 0; i + 4 <= b.size(); i += 4) {
        uint32_t cp =
            bigEndian
                ? (uint32_t(s[i]) << 24 | uint32_t(s[i + 1]) << 16 | uint32_t(s[i + 2]) << 8 | s[i + 3])
                : (uint32_t(s[i + 3]) << 24 | uint32_t(s[i + 2]) << 16 | uint32_t(s[i + 1]) << 8 | s[i]);
        if (cp == 0)
            ++nulls;
        else if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            text.push_back(wchar_t(0xFFFD));
        else
            xmlesc::appendCodePoint(text, cp);
    }
    if (nulls) log.add(L"nulls_removed", {{L"count", std::to_wstring(nulls)}});
    log.add(L"converted_to", {{L"encoding", L"UTF-32"}, {L"length", std::to_wstring(text.size())}});
}

bool readAll(const std::wstring& path, std::string& bytes, ResultLog& log) {
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fileError(log, GetLastError());
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(h, &size) != 0;
    DWORD error = ok ? 0 : GetLastError();
    if (ok && uint64_t(size.QuadPart) > kMaxFileBytes) {
        CloseHandle(h);
        return fileError(log, ERROR_FILE_TOO_LARGE, L"file too large");
    }
    if (ok) {
        bytes.resize(size_t(size.QuadPart));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD got = 0;
            DWORD want = DWORD(std::min<size_t>(bytes.size() - done, 1u << 30));
            ok = ReadFile(h, bytes.data() + done, want, &got, nullptr) != 0;
            if (!ok) error = GetLastError();
            if (ok && got == 0) break; // the file shrank while reading
            done += got;
        }
        bytes.resize(done);
    }
    CloseHandle(h);
    return ok ? true : fileError(log, error);
}

} // namespace

bool readFile(const std::wstring& path, std::wstring& text, uint32_t& flags, Encoding& enc, ResultLog& log) {
    std::string b;
    if (!readAll(path, b, log)) return false;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(b.data());
    unsigned cp = 0;
    size_t mark = 0;
    bool assumed = false; // UTF-8 because the file starts with '<', not because it says so
    if (b.size() >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        flags |= XmlDocument::kUtf8BomFile, cp = xmlcs::kUtf8, mark = 3, enc.name = L"UTF-8";
    } else if (b.size() >= 2 && u[0] == 0xFF && u[1] == 0xFE) {
        flags |= XmlDocument::kUtf16LeFile, cp = xmlcs::kUtf16Le, mark = 2, enc.name = L"UTF-16LE";
    } else if (b.size() >= 2 && u[0] == 0xFE && u[1] == 0xFF) {
        flags |= XmlDocument::kUtf16BeFile, cp = xmlcs::kUtf16Be, mark = 2, enc.name = L"UTF-16BE";
    }
    if (mark) {
        log.add(L"bom", {{L"encoding", enc.name}});
        b.erase(0, mark);
    } else {
        std::string declared = declaredEncoding(b.data(), std::min(b.size(), kSampleSize));
        if (!declared.empty()) {
            enc.name = widen(declared);
            cp = xmlcs::codePageForName(enc.name);
            // A file that calls itself UTF-16 or UTF-32 but is plainly 8-bit is read as 8-bit.
            if ((is16(cp) || is32(cp)) && b.size() >= 2 && u[0] && u[1]) cp = 0, enc.name.clear();
            // Without a mark, the zero byte before the first '<' tells big-endian units.
            if (cp == xmlcs::kUtf16Le && b.size() >= 2 && !u[0] && u[1]) cp = xmlcs::kUtf16Be;
            if (cp == 0 && !enc.name.empty()) cp = GetACP();
        } else if (!b.empty() && b[0] == '<') {
            cp = xmlcs::kUtf8, assumed = true, enc.name = L"UTF-8";
        }
    }
    log.add(L"read", {{L"encoding", enc.name}, {L"length", std::to_wstring(b.size())}});
    if (is16(cp))
        decode16(b, cp == xmlcs::kUtf16Be, text, log);
    else if (is32(cp))
        decode32(b, cp == xmlcs::kUtf32Be, text, log);
    else
        decode8(b, cp, cp != 0 && !assumed, text, enc, log);
    if (is16(cp) || is32(cp)) enc.codePage = cp;
    if (text.size() > kMaxDocument) text.resize(kMaxDocument);
    return true;
}

// ---- writing ------------------------------------------------------------------------------

namespace {

// The first characters as bytes for finding a declared encoding; others than ASCII do not count.
std::string narrowSample(const std::wstring& text) {
    std::string sample(kSampleSize, ' ');
    for (size_t i = 0; i < text.size() && i < kSampleSize; ++i)
        sample[i] = text[i] < 0x80 ? char(text[i]) : '?';
    return sample;
}

bool isUnicode(unsigned cp) { return cp == xmlcs::kUtf8 || cp == 65000; }

std::string unicodeBytes(unsigned cp, const std::wstring& text) {
    std::string out;
    int need = WideCharToMultiByte(cp, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (need <= 0) return out;
    out.resize(size_t(need));
    WideCharToMultiByte(cp, 0, text.data(), int(text.size()), out.data(), need, nullptr, nullptr);
    return out;
}

// A character that the file's 8-bit code page cannot hold, standing where no character
// reference can (a name, a comment ...), makes the file UTF-8: the XML declaration is written
// with encoding "UTF-8"; without one, a document that names its encoding elsewhere (an HTML
// meta element) gets the UTF-8 byte-order mark, which takes precedence over that name.
std::string asUtf8(const std::wstring& text, unsigned& cp, const char*& mark) {
    std::wstring renamed = text;
    if (!renameDeclaredEncoding(renamed, L"UTF-8") && *mark == 0 &&
        !declaredEncoding(narrowSample(text).data(), kSampleSize).empty())
        mark = "\xEF\xBB\xBF";
    cp = xmlcs::kUtf8;
    return unicodeBytes(cp, renamed);
}

std::string encode(const std::wstring& text, unsigned& cp, const char*& mark, ResultLog& log) {
    std::string out;
    if (is16(cp)) {
        out.resize(text.size() * 2);
        std::memcpy(out.data(), text.data(), out.size());
        if (cp == xmlcs::kUtf16Be)
            for (size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
        return out;
    }
    if (is32(cp)) {
        bool be = cp == xmlcs::kUtf32Be;
        for (size_t i = 0; i < text.size(); ++i) {
            uint32_t c = text[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            for (int k = 0; k < 4; ++k) out.push_back(char(be ? c >> (24 - 8 * k) : c >> (8 * k)));
        }
        return out;
    }
    if (text.empty()) return out;
    bool lossy = false;
    if (!isUnicode(cp) && !toCodePage(cp, text, out, lossy)) {
        cp = GetACP(); // no converter for this code page here: the ANSI code page, as for reading
        if (!isUnicode(cp) && !toCodePage(cp, text, out, lossy)) return out;
    }
    if (isUnicode(cp)) {
        out = unicodeBytes(cp, text);
    } else if (lossy) {
        std::wstring referenced;
        switch (fitToCodePage(text, cp, referenced)) {
        case LegacyFit::Referenced:
            toCodePage(cp, referenced, out, lossy);
            break;
        case LegacyFit::NeedsUnicode:
            out = asUtf8(text, cp, mark);
            lossy = false;
            break;
        case LegacyFit::Fits:
            break; // only unpaired surrogates: reported below
        }
    }
    log.add(L"converted_from", {{L"encoding", codePageName(cp)}, {L"length", std::to_wstring(out.size())}});
    if (lossy) log.add(L"conversion_loss", {{L"encoding", codePageName(cp)}});
    return out;
}

// A temporary file beside the target, written, flushed and moved over the target.
bool replaceAtomically(const std::wstring& path, const std::string& bytes, ResultLog& log) {
    DWORD error = 0;
    return replaceFileAtomically(path, bytes, &error) || fileError(log, error);
}

} // namespace

bool writeFile(const std::wstring& path, const std::wstring& text, uint32_t flags, const Encoding& remembered,
               ResultLog& log) {
    unsigned cp = remembered.codePage;
    if (!cp) {
        std::string declared = declaredEncoding(narrowSample(text).data(), kSampleSize);
        cp = declared.empty() ? xmlcs::kUtf8 : xmlcs::codePageForName(widen(declared));
        if (!cp) cp = GetACP();
    }
    const char* mark = flags & XmlDocument::kUtf16LeFile   ? "\xFF\xFE"
                       : flags & XmlDocument::kUtf16BeFile ? "\xFE\xFF"
                       : flags & XmlDocument::kUtf8BomFile ? "\xEF\xBB\xBF"
                                                           : "";
    std::string bytes = encode(text, cp, mark, log);
    bytes.insert(0, mark);
    if (!replaceAtomically(path, bytes, log)) return false;
    log.add(L"write", {{L"encoding", codePageName(cp)}, {L"length", std::to_wstring(bytes.size())}});
    return true;
}

} // namespace xmlimpl
