#pragma once
// The in-memory XML document through which every file of the program is read and written.
// The document text is its own serialisation; an index of element records points into it and a
// cursor (parent, current, child) is moved with find / into / out-of operations.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Replaces the document text (null: empty) and parses it; returns the well-formed flag.
    bool setDocument(const wchar_t* text);
    bool loadFile(const std::wstring& path);
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

private:
    struct Impl;
    std::wstring doc_;
    std::wstring result_;
    std::unique_ptr<Impl> impl_;
};
