#include "RtfCodePage.h"

#include <windows.h>

#include <map>
#include <mutex>

unsigned codePageForCharset(int charset) {
    struct Entry {
        int charset;
        unsigned codePage;
    };
    static const Entry kEntries[] = {
        {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},  {136, 950}, {161, 1253}, {162, 1254},
        {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250}, {255, 437},
    };
    for (const Entry& e : kEntries)
        if (e.charset == charset) return e.codePage;
    return 0;
}

namespace {

std::shared_ptr<const RtfCodePageTable> buildTable(unsigned codePage) {
    CPINFO info{};
    if (!GetCPInfo(codePage, &info)) return nullptr;
    const bool utf8 = codePage == CP_UTF8;
    if (!utf8 && info.MaxCharSize > 2) return nullptr;
    auto table = std::make_shared<RtfCodePageTable>();
    table->codePage = codePage;
    table->utf8 = utf8;
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        wchar_t out[2] = {};
        const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, out, 2);
        table->single[size_t(b)] = n == 1 ? out[0] : RtfCodePageTable::kNoChar;
        table->lead[size_t(b)] = !utf8 && info.MaxCharSize == 2 && IsDBCSLeadByteEx(codePage, BYTE(b));
    }
    return table;
}

// Length of the UTF-8 sequence a byte starts; 0 when it cannot start one.
int utf8Length(unsigned char b) {
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

void append(RtfByteDecoder::Units& out, wchar_t u) {
    if (out.count < 4) out.unit[out.count++] = u;
}

} // namespace

std::shared_ptr<const RtfCodePageTable> rtfCodePageTable(unsigned codePage) {
    static std::mutex mutex;
    static std::map<unsigned, std::shared_ptr<const RtfCodePageTable>> cache;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(codePage);
    if (it == cache.end()) it = cache.emplace(codePage, buildTable(codePage)).first;
    return it->second;
}

void RtfByteDecoder::reset() {
    m_table.reset();
    m_requested = 0;
    m_fallback = false;
    m_lossy = false;
    m_pendingCount = m_pendingNeeded = 0;
}

void RtfByteDecoder::setCodePage(unsigned codePage, Units& out) {
    const unsigned cp = codePage ? codePage : GetACP();
    if (cp == m_requested && m_table) return;
    flush(out);
    m_requested = cp;
    m_table.reset();
}

void RtfByteDecoder::ensureTable() {
    if (m_table) return;
    if (!m_requested) m_requested = GetACP();
    m_table = rtfCodePageTable(m_requested);
    m_fallback = !m_table;
    if (!m_table) m_table = rtfCodePageTable(GetACP());
    if (!m_table) m_table = rtfCodePageTable(1252);
}

void RtfByteDecoder::put(unsigned char b, Units& out) {
    ensureTable();
    if (!m_table) {
        // No code page at all: ASCII is still ASCII.
        if (b >= 0x80) m_lossy = true;
        append(out, b < 0x80 ? wchar_t(b) : L'?');
        return;
    }
    if (m_pendingCount == 0) {
        putFresh(b, out);
        return;
    }
    const bool trailOk = m_table->utf8 ? (b & 0xC0) == 0x80 : b >= 0x20;
    if (!trailOk) {
        flush(out);
        putFresh(b, out);
        return;
    }
    m_pending[m_pendingCount++] = b;
    if (m_pendingCount == m_pendingNeeded) decodePending(out);
}

void RtfByteDecoder::putFresh(unsigned char b, Units& out) {
    const int length = m_table->utf8 ? utf8Length(b) : (m_table->lead[b] ? 2 : 1);
    if (length > 1) {
        m_pending[0] = b;
        m_pendingCount = 1;
        m_pendingNeeded = length;
        return;
    }
    const wchar_t u = length == 1 ? m_table->single[b] : RtfCodePageTable::kNoChar;
    if (u == RtfCodePageTable::kNoChar || (m_fallback && b >= 0x80)) m_lossy = true;
    append(out, u == RtfCodePageTable::kNoChar ? L'?' : u);
}

void RtfByteDecoder::decodePending(Units& out) {
    wchar_t units[4] = {};
    const int n = MultiByteToWideChar(m_table->codePage, MB_ERR_INVALID_CHARS,
                                      reinterpret_cast<const char*>(m_pending), m_pendingCount, units, 4);
    const unsigned char trail = m_pending[m_pendingCount - 1];
    const int count = m_pendingCount;
    m_pendingCount = m_pendingNeeded = 0;
    if (n > 0) {
        if (m_fallback) m_lossy = true;
        for (int i = 0; i < n; ++i) append(out, units[i]);
        return;
    }
    // Not a character of the code page: the lead byte is lost, and a two-byte pair's second
    // byte may be a character of its own (an ASCII letter after a stray lead byte).
    m_lossy = true;
    append(out, L'?');
    if (count == 2 && !m_table->utf8) putFresh(trail, out);
}

void RtfByteDecoder::flush(Units& out) {
    if (m_pendingCount == 0) return;
    m_pendingCount = m_pendingNeeded = 0;
    m_lossy = true;
    append(out, L'?');
}
