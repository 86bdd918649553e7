#pragma once
// Internals shared by the document's source files: the paged element table, the result log,
// the parser, tag scanning helpers and file reading and writing.
#include "XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace xmlimpl {

constexpr uint32_t kStartTagMax = (1u << 22) - 1; // saturated: the length is found by scanning
constexpr uint32_t kEndTagMax = (1u << 10) - 1;
constexpr size_t kMaxDocument = 0x7FFFFFF0; // offsets are 32-bit

inline bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
inline bool isNameStart(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' || c >= 0x80;
}
inline bool endsName(wchar_t c) { return isSpace(c) || c == L'/' || c == L'>' || c == L'<'; }
inline wchar_t asciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c + 32) : c; }

// Length of the tag name starting at s[from].
size_t nameLength(const wchar_t* s, size_t n, size_t from);
// Finds the '>' that closes a tag whose name ends before `from`; quotes only count where an
// attribute value begins. Fails on a '<' or at the end of the text.
bool scanTagEnd(const wchar_t* s, size_t n, size_t from, size_t& gt);
// Position of `what` at or after `from`, or npos.
size_t findText(const wchar_t* s, size_t n, size_t from, const wchar_t* what);
bool namesEqual(const wchar_t* a, const wchar_t* b, size_t n, bool ignoreCase);

// One step of the scan of a document type declaration, whose internal subset sits in square
// brackets. Brackets do not nest there outside quoted literals, so the scan is a machine of six
// states: bit 0 inside the subset, bits 1-2 no quote, '"' or '\''. The declaration ends at a '>'
// in state 0.
inline uint32_t doctypeStep(uint32_t state, wchar_t c) {
    uint32_t quote = state >> 1, subset = state & 1;
    if (quote) return (c == (quote == 1 ? L'"' : L'\'') ? 0 : quote << 1) | subset;
    if (c == L'"') return 2 | subset;
    if (c == L'\'') return 4 | subset;
    if (c == L'[') return 1;
    if (c == L']') return 0;
    return subset;
}

// Element records in pages of 65,536; index 0 is the document record.
class ElementTable {
public:
    static constexpr uint32_t kPageBits = 16;
    static constexpr uint32_t kPageSize = 1u << kPageBits;

    // Clears the table for a document of the given length: capacity (length / 64) + 8,
    // record 0 zeroed, next free index 1.
    void reset(size_t documentLength);
    // A zeroed record at the next free index; the table grows by half when full.
    uint32_t append();
    XmlElementRecord& operator[](uint32_t i) { return pages_[i >> kPageBits][i & (kPageSize - 1)]; }
    const XmlElementRecord& operator[](uint32_t i) const {
        return pages_[i >> kPageBits][i & (kPageSize - 1)];
    }
    uint32_t count() const { return count_; }
    uint64_t capacity() const { return capacity_; }

private:
    void growTo(uint64_t capacity);
    std::vector<std::unique_ptr<XmlElementRecord[]>> pages_;
    std::vector<uint32_t> pageSizes_;
    uint64_t capacity_ = 0;
    uint32_t count_ = 0;
};

struct Attr {
    const wchar_t* name;
    std::wstring value;
};

// Appends result records (empty elements) to the result text, never past 999 characters.
class ResultLog {
public:
    explicit ResultLog(std::wstring& out) : out_(out) { out_.clear(); }
    bool full() const { return full_; }
    void add(const wchar_t* name, std::initializer_list<Attr> attrs = {});

private:
    std::wstring& out_;
    bool full_ = false;
};

// Parses the text into the table. True when there is exactly one root element and the
// document is not marked ill-formed.
bool parse(const std::wstring& text, ElementTable& table, ResultLog& log, bool ignoreCase);

// The encoding a document was read in, remembered for writing it back.
struct Encoding {
    std::wstring name;
    unsigned codePage = 0; // 0: none remembered
};

bool readFile(const std::wstring& path, std::wstring& text, uint32_t& flags, Encoding& encoding,
              ResultLog& log);
bool writeFile(const std::wstring& path, const std::wstring& text, uint32_t flags, const Encoding& remembered,
               ResultLog& log);
// How text fits an 8-bit code page that is not a Unicode form.
enum class LegacyFit {
    Fits,         // every character has a mapping
    Referenced,   // the others stand in character data or attribute values: `out` has them as
                  // character references ("&#x1F600;", one per code point)
    NeedsUnicode, // one stands where no reference can (a name, comment, CDATA section,
                  // processing instruction or declaration)
};
// Characters without a mapping are found without best-fit substitutes, so a character never
// silently becomes a look-alike or '?'. Unpaired surrogates are left to the conversion, which
// reports them as lost.
LegacyFit fitToCodePage(const std::wstring& text, unsigned cp, std::wstring& out);
// Converts to an 8-bit code page without best-fit substitutes; `lossy` when a character had no
// mapping. False when the system has no converter for the code page.
bool toCodePage(unsigned cp, const std::wstring& text, std::string& out, bool& lossy);
// Renames the encoding of the text's XML declaration; false when there is none to rename.
bool renameDeclaredEncoding(std::wstring& text, const wchar_t* name);

// The encoding declared in the first bytes (XML declaration or HTML meta charset), or "".
std::string declaredEncoding(const char* bytes, size_t n);

} // namespace xmlimpl
