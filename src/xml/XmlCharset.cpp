#include "XmlCharset.h"

#include <cwchar>
#include <iterator>

namespace xmlcs {
namespace {

struct Charset {
    const wchar_t* name;
    unsigned codePage;
};

constexpr Charset kCharsets[] = {
#include "XmlCharsetTable.inc"
};

constexpr unsigned kBuckets = 155;
constexpr size_t kMaxName = 100;
constexpr int kNone = -1;

// Open hash of the names: bucket heads and a chain through the table, keyed by character sum.
struct HashTable {
    int head[kBuckets];
    int next[std::size(kCharsets)];
    HashTable() {
        for (int& h : head) h = kNone;
        for (int i = int(std::size(kCharsets)) - 1; i >= 0; --i) {
            unsigned b = bucketOf(kCharsets[i].name, std::wcslen(kCharsets[i].name));
            next[i] = head[b];
            head[b] = i;
        }
    }
    static unsigned bucketOf(const wchar_t* s, size_t n) {
        unsigned sum = 0;
        for (size_t i = 0; i < n; ++i) sum += unsigned(s[i]);
        return sum % kBuckets;
    }
};

const HashTable& table() {
    static const HashTable t;
    return t;
}

wchar_t asciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c + 32) : c; }

bool isUtf32(const wchar_t* s, size_t n) {
    static const wchar_t kName[] = L"utf-32";
    if (n != 6) return false;
    for (size_t i = 0; i < n; ++i)
        if (asciiLower(s[i]) != kName[i]) return false;
    return true;
}

} // namespace

size_t charsetNameCount() { return std::size(kCharsets); }

unsigned codePageForName(const wchar_t* name, size_t len) {
    if (!name || len == 0 || len >= kMaxName) return 0;
    if (isUtf32(name, len)) return kUtf32;
    wchar_t key[kMaxName];
    for (size_t i = 0; i < len; ++i) key[i] = asciiLower(name[i]);
    const HashTable& t = table();
    for (int i = t.head[HashTable::bucketOf(key, len)]; i != kNone; i = t.next[i]) {
        const wchar_t* cand = kCharsets[i].name;
        if (std::wcslen(cand) == len && std::wmemcmp(cand, key, len) == 0) return kCharsets[i].codePage;
    }
    return 0;
}

} // namespace xmlcs
