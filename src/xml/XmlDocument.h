#pragma once
// The in-memory XML document through which every file of the program is read and written.
// The document text is its own serialisation; an index of element records points into it and a
// cursor (parent, current, child) is moved with find / into / out-of operations.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One element of the index: eight 32-bit words. Offsets and lengths count UTF-16 units.
struct XmlElementRecord {
    uint32_t start;       // offset of the '<' of the start tag
    uint32_t length;      // start tag to the end of the end tag
    uint32_t tagLengths;  // low 22 bits start-tag length, high 10 bits end-tag length (0: none)
    uint32_t flags;       // low 16 bits nesting level, then the flag bits below
    uint32_t parent;      // 0 for a top-level element
    uint32_t firstChild;  // 0 if none
    uint32_t nextSibling; // 0 for the last child
    uint32_t prevSibling; // the first child's field holds the LAST child

    static constexpr uint32_t kLevelMask = 0xFFFF;
    static constexpr uint32_t kFirstChild = 1u << 16;
    static constexpr uint32_t kNoEndTag = 1u << 17;
    static constexpr uint32_t kContentIllFormed = 1u << 18;
    static constexpr uint32_t kDocumentIllFormed = 1u << 19; // record 0 only
};

class XmlDocument {
public:
    // Document flags.
    static constexpr uint32_t kUtf16LeFile = 1u << 0;
    static constexpr uint32_t kUtf8BomFile = 1u << 1;
    static constexpr uint32_t kIgnoreCase = 1u << 2;
    static constexpr uint32_t kReadFileMode = 1u << 3;
    static constexpr uint32_t kWriteFileMode = 1u << 4;
    static constexpr uint32_t kAppend = 1u << 5;
    static constexpr uint32_t kUtf16BeFile = 1u << 6;

    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Replaces the document text (null: empty) and parses it; returns the well-formed flag.
    bool setDocument(const wchar_t* text);
    bool loadFile(const std::wstring& path);
    // Writes the document atomically (temporary file in the same folder, then a replacing
    // move); on failure the old file is left as it was.
    bool saveFile(const std::wstring& path);

    bool findElement(const wchar_t* name = nullptr);
    bool intoElement();
    bool outOfElement();
    std::wstring getData() const;
    bool setData(const std::wstring& value);
    bool setData(int value);
    std::wstring getAttribute(const wchar_t* name) const;
    bool setAttribute(const wchar_t* name, const std::wstring& value);
    bool setAttribute(const wchar_t* name, int value);
    bool addElement(const wchar_t* name, const std::wstring& value = std::wstring());
    bool addElement(const wchar_t* name, int value);
    bool removeElement();
    bool isWellFormed() const;

    const std::wstring& documentText() const { return doc_; }
    const std::wstring& resultText() const { return result_; }

    // Inspection, for diagnostics and tests.
    uint32_t flags() const;
    void setIgnoreCase(bool on);                   // takes effect at the next parse and for name comparisons
    XmlElementRecord currentRecord() const;        // record of the current element (record 0 if none)
    XmlElementRecord record(uint32_t index) const; // zeroed record when out of range
    uint32_t elementCount() const;                 // records in use, record 0 included
    std::wstring currentName() const;

private:
    struct Impl;
    std::wstring doc_;
    std::wstring result_;
    std::unique_ptr<Impl> impl_;
};
