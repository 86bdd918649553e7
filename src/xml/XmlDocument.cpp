// Placeholder until the document is implemented.
#include "XmlDocument.h"

struct XmlDocument::Impl {};
XmlDocument::XmlDocument() = default;
XmlDocument::~XmlDocument() = default;
bool XmlDocument::setDocument(const wchar_t*) { return false; }
bool XmlDocument::loadFile(const std::wstring&) { return false; }
bool XmlDocument::saveFile(const std::wstring&) { return false; }
bool XmlDocument::findElement(const wchar_t*) { return false; }
bool XmlDocument::intoElement() { return false; }
bool XmlDocument::outOfElement() { return false; }
std::wstring XmlDocument::getData() const { return {}; }
bool XmlDocument::setData(const std::wstring&) { return false; }
bool XmlDocument::setData(int) { return false; }
std::wstring XmlDocument::getAttribute(const wchar_t*) const { return {}; }
bool XmlDocument::setAttribute(const wchar_t*, const std::wstring&) { return false; }
bool XmlDocument::setAttribute(const wchar_t*, int) { return false; }
bool XmlDocument::addElement(const wchar_t*, const std::wstring&) { return false; }
bool XmlDocument::addElement(const wchar_t*, int) { return false; }
bool XmlDocument::removeElement() { return false; }
bool XmlDocument::isWellFormed() const { return false; }
