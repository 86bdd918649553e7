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
constexpr size_t kMaxDocument = 0x7FFFFFF0;      // offsets are 32-bit

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
    const XmlElementRecord& operator[](uint32_t i) const { return pages_[i >> kPageBits][i & (kPageSize - 1)]; }
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

bool readFile(const std::wstring& path, std::wstring& text, uint32_t& flags, Encoding& encoding, ResultLog& log);
bool writeFile(const std::wstring& path, const std::wstring& text, uint32_t flags, const Encoding& remembered,
               ResultLog& log);
// The encoding declared in the first bytes (XML declaration or HTML meta charset), or "".
std::string declaredEncoding(const char* bytes, size_t n);

} // namespace xmlimpl
