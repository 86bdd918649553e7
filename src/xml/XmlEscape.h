#pragma once
// Character escaping of element content and attribute values, and the reverse.
#include <cstddef>
#include <string>

namespace xmlesc {

// Longest entity name looked up; longer names leave the ampersand literal.
constexpr size_t kMaxEntityName = 9;

// Code point of a named reference ("amp", "nbsp", "apos" ...), 0 when the name is unknown.
unsigned entityCodePoint(const wchar_t* name, size_t len);
size_t entityCount();

// Appends s with & < > escaped; in attribute values also " and '.
void appendEscaped(std::wstring& out, const wchar_t* s, size_t n, bool attribute);
std::wstring escaped(const std::wstring& s, bool attribute);

// Appends s with numeric and named references decoded. An ampersand that does not start a
// valid reference (unknown name, code point 0, surrogate or beyond U+10FFFF) stays literal.
void appendUnescaped(std::wstring& out, const wchar_t* s, size_t n);
std::wstring unescaped(const std::wstring& s);

// Appends a code point as UTF-16 (a surrogate pair above U+FFFF).
void appendCodePoint(std::wstring& out, unsigned cp);

} // namespace xmlesc
