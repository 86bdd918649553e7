#pragma once
// Note contents written straight into a note folder in the stored formats (as another copy of the
// program would have left them): a rich text block, a plain text block, a picture. For tests and
// benchmarks that open such folders; the note file must exist (TavNoteStore::createNoteFile).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "NoteStore.h"
#include "TempFolder.h"
#include "XmlDocument.h"

namespace notecontents {

inline bool writeChildFile(const TavNoteStore& note, int id, const wchar_t* cls, const RECT& rect,
                           const std::vector<std::pair<const wchar_t*, std::wstring>>& values) {
    XmlDocument doc;
    doc.setDocument(nullptr);
    if (!doc.addElement(cls) || !doc.intoElement()) return false;
    doc.addElement(L"ID", id);
    doc.addElement(L"left", int(rect.left));
    doc.addElement(L"top", int(rect.top));
    doc.addElement(L"right", int(rect.right));
    doc.addElement(L"bottom", int(rect.bottom));
    for (const auto& [name, value] : values) doc.addElement(name, value);
    return doc.saveFile(note.childFilePath(id));
}

// RTF text of one paragraph per line in the color (0xRRGGBB), every character as \uN so that the
// body reads the same under any code page; `boldWord` (if found in a line) is bold.
inline std::string rtfBody(const std::vector<std::wstring>& lines, unsigned rgb,
                           const std::wstring& boldWord = L"") {
    char head[256];
    std::snprintf(head, sizeof(head),
                  "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}"
                  "{\\colortbl ;\\red%u\\green%u\\blue%u;}\\f0\\fs26\\cf1 ",
                  (rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
    std::string rtf = head;
    auto put = [&](const std::wstring& text) {
        for (wchar_t ch : text) {
            if (ch < 128 && ch != L'\\' && ch != L'{' && ch != L'}') {
                rtf += char(ch);
            } else {
                rtf += "\\u" + std::to_string(int(short(ch))) + "?";
            }
        }
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        size_t at = boldWord.empty() ? std::wstring::npos : line.find(boldWord);
        if (at == std::wstring::npos) {
            put(line);
        } else {
            put(line.substr(0, at));
            rtf += "{\\b ";
            put(boldWord);
            rtf += "}";
            put(line.substr(at + boldWord.size()));
        }
        if (i + 1 < lines.size()) rtf += "\\par ";
    }
    rtf += "}";
    return rtf;
}

// A rich text block "<id>.xml" + "<id>_rtf" and its `Item`.
inline bool writeRichBlock(TavNoteStore& note, int id, const RECT& rect, const std::string& rtf) {
    const std::wstring body = std::to_wstring(id) + L"_rtf";
    return writeBytes(note.childBodyPath(id), rtf) &&
           writeChildFile(note, id, L"TavRichEditNI", rect, {{L"rtftext", body}}) &&
           note.AddChildRecord(id, L"TavRichEditNI");
}

// A plain text block in one font and color (ARGB) and its `Item`.
inline bool writePlainBlock(TavNoteStore& note, int id, const RECT& rect, const std::wstring& text,
                            unsigned argb, const std::wstring& family = L"SimSun", double size = 16.0) {
    wchar_t em[32];
    swprintf(em, 32, L"%0.1f", size);
    return writeChildFile(note, id, L"TavNoteItemEdit", rect,
                          {{L"text", text},
                           {L"fontfamilyname", family},
                           {L"fontemsize", em},
                           {L"fontstyle", L"0"},
                           {L"fontunit", L"2"},
                           {L"color", std::to_wstring(int(argb))}}) &&
           note.AddChildRecord(id, L"TavNoteItemEdit");
}

// A picture child naming `fileName`, a file already in the note folder, and its `Item`.
inline bool writePictureChild(TavNoteStore& note, int id, const RECT& rect, const std::wstring& fileName) {
    return writeChildFile(note, id, L"TavNoteItemImage", rect, {{L"image", fileName}}) &&
           note.AddChildRecord(id, L"TavNoteItemImage");
}

} // namespace notecontents
