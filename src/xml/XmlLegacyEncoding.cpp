// Writing text in an 8-bit code page that cannot hold every character: such characters in
// character data and attribute values become character references; elsewhere the caller has to
// choose an encoding that holds them.
#include "XmlInternal.h"

#include <windows.h>

#include <cwchar>
#include <unordered_map>
#include <vector>

namespace xmlimpl {
namespace {

bool isHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

int convert(unsigned cp, DWORD flags, const wchar_t* s, int n, char* out, int cap, BOOL* used) {
    return WideCharToMultiByte(cp, flags, s, n, out, cap, nullptr, used);
}

// Some code pages (ISO-2022 forms, GB18030 ...) take no flags and no default-character report.
int convertNoBestFit(unsigned cp, const wchar_t* s, int n, char* out, int cap, bool& lossy) {
    BOOL used = FALSE;
    int k = convert(cp, WC_NO_BEST_FIT_CHARS, s, n, out, cap, &used);
    if (k <= 0 && GetLastError() == ERROR_INVALID_FLAGS) k = convert(cp, 0, s, n, out, cap, &used);
    if (k <= 0 && GetLastError() == ERROR_INVALID_PARAMETER) k = convert(cp, 0, s, n, out, cap, nullptr);
    lossy = used != FALSE;
    return k;
}

// Whether each code point has a mapping, asked of the system once per code point.
class Mappable {
public:
    explicit Mappable(unsigned cp) : cp_(cp), bmp_(0x10000, kUnknown) {}

    bool operator()(const wchar_t* s, int units) {
        if (units == 1 && s[0] < 0x80) return true;
        uint32_t key =
            units == 1 ? s[0] : 0x10000 + ((uint32_t(s[0]) - 0xD800) << 10) + (uint32_t(s[1]) - 0xDC00);
        uint8_t& known = key < 0x10000 ? bmp_[key] : other_[key];
        if (known == kUnknown) {
            char buf[16];
            bool lossy = false;
            known = convertNoBestFit(cp_, s, units, buf, sizeof buf, lossy) > 0 && !lossy ? kYes : kNo;
        }
        return known == kYes;
    }

private:
    static constexpr uint8_t kUnknown = 0, kYes = 1, kNo = 2;
    unsigned cp_;
    std::vector<uint8_t> bmp_;
    std::unordered_map<uint32_t, uint8_t> other_;
};

// Walks the text region by region, the way the reader sees it: character data and quoted
// attribute values take references; names, comments, CDATA sections, processing instructions
// and declarations do not.
class Fitter {
public:
    Fitter(const std::wstring& text, unsigned cp, std::wstring& out)
        : s_(text.data()), n_(text.size()), mappable_(cp), out_(out) {}

    LegacyFit run() {
        out_.clear();
        out_.reserve(n_ + n_ / 8);
        size_t i = 0;
        while (i < n_ && !needsUnicode_) {
            const wchar_t* lt = std::wmemchr(s_ + i, L'<', n_ - i);
            size_t at = lt ? size_t(lt - s_) : n_;
            referable(i, at);
            i = at < n_ ? markup(at) : n_;
        }
        return needsUnicode_ ? LegacyFit::NeedsUnicode
               : referenced_ ? LegacyFit::Referenced
                             : LegacyFit::Fits;
    }

private:
    // Length of the code point at i: 2 for a surrogate pair, else 1.
    int units(size_t i) const { return isHigh(s_[i]) && i + 1 < n_ && isLow(s_[i + 1]) ? 2 : 1; }
    bool unpaired(size_t i, int u) const { return u == 1 && (isHigh(s_[i]) || isLow(s_[i])); }

    void referable(size_t a, size_t b) {
        for (size_t i = a; i < b;) {
            int u = units(i);
            if (unpaired(i, u) || mappable_(s_ + i, u)) {
                out_.append(s_ + i, size_t(u));
            } else {
                uint32_t cp =
                    u == 1 ? s_[i]
                           : 0x10000 + ((uint32_t(s_[i]) - 0xD800) << 10) + (uint32_t(s_[i + 1]) - 0xDC00);
                wchar_t ref[16];
                std::swprintf(ref, 16, L"&#x%X;", unsigned(cp));
                out_ += ref;
                referenced_ = true;
            }
            i += size_t(u);
        }
    }

    void literal(size_t a, size_t b) {
        for (size_t i = a; i < b && !needsUnicode_;) {
            int u = units(i);
            if (!unpaired(i, u) && !mappable_(s_ + i, u)) needsUnicode_ = true;
            i += size_t(u);
        }
        out_.append(s_ + a, b - a);
    }

    bool startsWith(size_t at, const wchar_t* what) const {
        size_t len = std::wcslen(what);
        return at + len <= n_ && std::wmemcmp(s_ + at, what, len) == 0;
    }

    // A node that runs to its terminator, or to the end of the text.
    size_t through(size_t at, size_t from, const wchar_t* terminator) {
        size_t end = findText(s_, n_, from, terminator);
        end = end == std::wstring::npos ? n_ : end + std::wcslen(terminator);
        literal(at, end);
        return end;
    }

    size_t markup(size_t lt) {
        if (startsWith(lt, L"<!--")) return through(lt, lt + 4, L"-->");
        if (startsWith(lt, L"<![CDATA[")) return through(lt, lt + 9, L"]]>");
        if (startsWith(lt, L"<?")) return through(lt, lt + 2, L"?>");
        if (startsWith(lt, L"<!")) return declaration(lt);
        if (lt + 1 < n_ && (s_[lt + 1] == L'/' || isNameStart(s_[lt + 1]))) return tag(lt);
        out_.push_back(L'<'); // a stray '<' is character data
        return lt + 1;
    }

    size_t declaration(size_t lt) {
        size_t i = lt + 2;
        for (uint32_t state = 0; i < n_; ++i) {
            if (s_[i] == L'>' && state == 0) break;
            state = doctypeStep(state, s_[i]);
        }
        size_t end = i < n_ ? i + 1 : n_;
        literal(lt, end);
        return end;
    }

    // A start or end tag; its quoted attribute values take references. Text that does not close
    // as a tag is character data from the '<' on, as for the reader.
    size_t tag(size_t lt) {
        size_t gt = 0;
        if (!scanTagEnd(s_, n_, lt + 1 + nameLength(s_, n_, lt + 1), gt)) {
            out_.push_back(L'<');
            return lt + 1;
        }
        size_t i = lt, done = lt;
        bool afterEquals = false;
        for (; i < gt; ++i) {
            wchar_t c = s_[i];
            if (c == L'=') {
                afterEquals = true;
            } else if (afterEquals && (c == L'"' || c == L'\'')) {
                const wchar_t* close = std::wmemchr(s_ + i + 1, c, gt - i - 1);
                size_t end = close ? size_t(close - s_) : gt;
                literal(done, i + 1);
                referable(i + 1, end);
                done = i = end;
                afterEquals = false;
            } else if (!isSpace(c)) {
                afterEquals = false;
            }
        }
        literal(done, gt + 1);
        return gt + 1;
    }

    const wchar_t* s_;
    size_t n_;
    Mappable mappable_;
    std::wstring& out_;
    bool referenced_ = false;
    bool needsUnicode_ = false;
};

} // namespace

bool toCodePage(unsigned cp, const std::wstring& text, std::string& out, bool& lossy) {
    out.clear();
    lossy = false;
    if (text.empty()) return true;
    int need = convertNoBestFit(cp, text.data(), int(text.size()), nullptr, 0, lossy);
    if (need <= 0) return false;
    out.resize(size_t(need));
    return convertNoBestFit(cp, text.data(), int(text.size()), out.data(), need, lossy) == need;
}

LegacyFit fitToCodePage(const std::wstring& text, unsigned cp, std::wstring& out) {
    return Fitter(text, cp, out).run();
}

bool renameDeclaredEncoding(std::wstring& text, const wchar_t* name) {
    size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    if (text.compare(i, 5, L"<?xml") != 0 || i + 5 >= text.size() ||
        !(isSpace(text[i + 5]) || text[i + 5] == L'?'))
        return false;
    size_t end = findText(text.data(), text.size(), i, L"?>");
    if (end == std::wstring::npos) return false;
    // Pseudo-attributes in order, so that "encoding" inside another value does not count.
    for (size_t k = i + 5; k < end;) {
        while (k < end && isSpace(text[k])) ++k;
        size_t ns = k;
        while (k < end && !isSpace(text[k]) && text[k] != L'=') ++k;
        bool isEncoding = text.compare(ns, k - ns, L"encoding") == 0;
        while (k < end && isSpace(text[k])) ++k;
        if (k >= end || text[k] != L'=') return false;
        ++k;
        while (k < end && isSpace(text[k])) ++k;
        if (k >= end || (text[k] != L'"' && text[k] != L'\'')) return false;
        size_t close = text.find(text[k], k + 1);
        if (close == std::wstring::npos || close > end) return false;
        if (isEncoding) {
            text.replace(k + 1, close - k - 1, name);
            return true;
        }
        k = close + 1;
    }
    return false;
}

} // namespace xmlimpl
