#pragma once
// Code pages of RTF text: the code page an RTF character set names, and a byte decoder that
// joins the lead and trail bytes of multi-byte code pages and notes every byte it could not
// decode.
#include <array>
#include <memory>

// The Windows code page of an RTF/GDI character set ("fcharset"); 0 for the character sets
// whose text is in the document's own code page (ANSI, default, symbol and unknown ones).
unsigned codePageForCharset(int charset);

// What the decoder needs to know of one code page. Built once per code page and process.
struct RtfCodePageTable {
    static constexpr wchar_t kNoChar = 0xFFFF;
    unsigned codePage = 0;
    bool utf8 = false;
    std::array<bool, 256> lead{};      // the byte starts a two-byte character
    std::array<wchar_t, 256> single{}; // the byte alone; kNoChar when it is none
};
// Null when the system cannot convert the code page or it is not one RTF text can use
// (stateful and four-byte code pages other than UTF-8).
std::shared_ptr<const RtfCodePageTable> rtfCodePageTable(unsigned codePage);

class RtfByteDecoder {
public:
    struct Units {
        wchar_t unit[4];
        int count = 0;
    };

    // 0 → the ANSI code page. A code page the system cannot convert falls back to the ANSI
    // one, and every non-ASCII byte decoded with it counts as lost. Pending bytes of the old
    // code page are flushed into `out`.
    void setCodePage(unsigned codePage, Units& out);
    unsigned codePage() const { return m_requested; }
    // One more byte; the characters it completes are appended to `out` (NUL bytes included).
    void put(unsigned char b, Units& out);
    // Bytes of an unfinished character become one "?" (a loss).
    void flush(Units& out);
    bool pending() const { return m_pendingCount > 0; }
    // Some byte could not be decoded, or the code page was not available.
    bool lossy() const { return m_lossy; }
    void reset();

private:
    void putFresh(unsigned char b, Units& out);
    void decodePending(Units& out);
    void ensureTable();

    std::shared_ptr<const RtfCodePageTable> m_table;
    unsigned m_requested = 0;
    bool m_fallback = false;
    bool m_lossy = false;
    unsigned char m_pending[4] = {};
    int m_pendingCount = 0;
    int m_pendingNeeded = 0;
};
