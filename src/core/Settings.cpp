#include "Settings.h"

#include "AppPaths.h"
#include "FileSystem.h"
#include "XmlDocument.h"

#include <cwchar>

namespace {

int parseInt(const std::wstring& text) { return int(wcstol(text.c_str(), nullptr, 10)); }

bool loadWellFormed(XmlDocument& doc, const std::wstring& path) {
    return doc.loadFile(path) && doc.isWellFormed();
}

} // namespace

TavSettings& settings() {
    static TavSettings values;
    return values;
}

void readSysconfig(const std::wstring& path, TavSettings& into) {
    XmlDocument doc;
    if (!loadWellFormed(doc, path) || !doc.findElement(L"sysconfig") || !doc.intoElement()) return;
    // The search only moves forward: the font keys are seen in this order only, and the border
    // switch only after deffont.
    if (doc.findElement(L"deffont") && doc.intoElement()) {
        if (doc.findElement(L"fmname")) into.defaultFontFace = doc.getData();
        if (doc.findElement(L"fontstyle")) into.defaultFontStyle = parseInt(doc.getData());
        if (doc.findElement(L"fontsize")) parseInt(doc.getData()); // read but unused
        if (doc.findElement(L"color")) into.defaultTextColor = uint32_t(parseInt(doc.getData()));
        doc.outOfElement();
    }
    if (doc.findElement(L"defbordermenucolor")) into.borderMenuColor = 0xFFF26A00;
}

bool readCustomColors(const std::wstring& path, TavSettings& into) {
    XmlDocument doc;
    if (!loadWellFormed(doc, path) || !doc.findElement(L"customcolor") || !doc.intoElement()) return false;
    for (size_t slot = 0; slot < into.customColors.size() && doc.findElement(L"coloritem"); ++slot)
        into.customColors[slot] = COLORREF(parseInt(doc.getData()));
    return true;
}

bool writeCustomColors(const std::wstring& path, const TavSettings& from) {
    // A file that exists but cannot be read now (locked, no permission) is left alone.
    if (!isMissingFile(path) && !canReadFile(path)) return false;
    XmlDocument doc;
    if (loadWellFormed(doc, path) && doc.findElement(L"customcolor")) {
        doc.removeElement();
    } else {
        if (!isMissingFile(path)) CopyFileW(path.c_str(), (path + L".bad").c_str(), FALSE);
        doc.setDocument(nullptr);
    }
    doc.addElement(L"customcolor");
    doc.intoElement();
    for (COLORREF color : from.customColors) doc.addElement(L"coloritem", int(color));
    return doc.saveFile(path);
}

void loadSettings() {
    readSysconfig(sysconfigPath(), settings());
    loadCustomColors();
}

bool loadCustomColors() { return readCustomColors(dataDirectory() + L"customcolor.xml", settings()); }

void saveCustomColors() { writeCustomColors(dataDirectory() + L"customcolor.xml", settings()); }
