#include "XmlEscape.h"

#include <cwchar>

namespace xmlesc {
namespace {

int hexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool validCodePoint(unsigned cp) { return cp != 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

// Decodes "#123;" or "#x1F;" starting after the ampersand. Returns the characters consumed
// (0 when this is not a valid numeric reference).
size_t numericReference(const wchar_t* s, size_t n, unsigned& cp) {
    if (n < 3 || s[0] != L'#') return 0;
    size_t i = 1;
    unsigned base = 10;
    if (s[1] == L'x') {
        base = 16;
        i = 2;
    }
    size_t digitsStart = i;
    unsigned long long v = 0;
    for (; i < n; ++i) {
        int d = base == 16 ? hexValue(s[i]) : (s[i] >= L'0' && s[i] <= L'9' ? s[i] - L'0' : -1);
        if (d < 0) break;
        v = v * base + unsigned(d);
        if (v > 0x10FFFF) v = 0x110000; // clamp: stays invalid without overflowing
    }
    if (i == digitsStart || i >= n || s[i] != L';') return 0;
    if (!validCodePoint(unsigned(v))) return 0;
    cp = unsigned(v);
    return i + 1;
}

size_t namedReference(const wchar_t* s, size_t n, unsigned& cp) {
    size_t i = 0;
    while (i < n && i <= kMaxEntityName && s[i] != L';') ++i;
    if (i == 0 || i > kMaxEntityName || i >= n || s[i] != L';') return 0;
    cp = entityCodePoint(s, i);
    return cp ? i + 1 : 0;
}

} // namespace

void appendCodePoint(std::wstring& out, unsigned cp) {
    if (cp > 0xFFFF) {
        cp -= 0x10000;
        out.push_back(wchar_t(0xD800 + (cp >> 10)));
        out.push_back(wchar_t(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(wchar_t(cp));
    }
}

void appendEscaped(std::wstring& out, const wchar_t* s, size_t n, bool attribute) {
    size_t run = 0; // start of the pending run of plain characters
    for (size_t i = 0; i < n; ++i) {
        const wchar_t* rep = nullptr;
        switch (s[i]) {
        case L'&':
            rep = L"&amp;";
            break;
        case L'<':
            rep = L"&lt;";
            break;
        case L'>':
            rep = L"&gt;";
            break;
        case L'"':
            rep = attribute ? L"&quot;" : nullptr;
            break;
        case L'\'':
            rep = attribute ? L"&apos;" : nullptr;
            break;
        default:
            break;
        }
        if (!rep) continue;
        out.append(s + run, i - run);
        out.append(rep);
        run = i + 1;
    }
    out.append(s + run, n - run);
}

std::wstring escaped(const std::wstring& s, bool attribute) {
    std::wstring out;
    out.reserve(s.size());
    appendEscaped(out, s.data(), s.size(), attribute);
    return out;
}

void appendUnescaped(std::wstring& out, const wchar_t* s, size_t n) {
    size_t i = 0;
    while (i < n) {
        const wchar_t* amp = static_cast<const wchar_t*>(std::wmemchr(s + i, L'&', n - i));
        if (!amp) {
            out.append(s + i, n - i);
            return;
        }
        size_t a = size_t(amp - s);
        out.append(s + i, a - i);
        unsigned cp = 0;
        size_t used = a + 1 < n && s[a + 1] == L'#' ? numericReference(s + a + 1, n - a - 1, cp)
                                                    : namedReference(s + a + 1, n - a - 1, cp);
        if (used) {
            appendCodePoint(out, cp);
            i = a + 1 + used;
        } else {
            out.push_back(L'&');
            i = a + 1;
        }
    }
}

std::wstring unescaped(const std::wstring& s) {
    std::wstring out;
    out.reserve(s.size());
    appendUnescaped(out, s.data(), s.size());
    return out;
}

} // namespace xmlesc
