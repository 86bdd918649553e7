#pragma once
// RTF in and out of the editor's document: glyphs to an RtfDocument for the writer, and the
// reader's characters inserted at the caret.
#include <string>
#include <vector>

#include "CRtfWriter.h"

class TavGlyph;
class TavRichEditDoc;

// The document of a glyph sequence. The font table holds the fonts the glyphs use, in the
// order of their font-cache keys; the color table their colors in ascending ARGB order.
RtfDocument rtfDocumentFromGlyphs(const std::vector<TavGlyph*>& glyphs);

// Writes the glyphs as RTF. Nothing is written for an empty sequence (false).
bool writeRtf(const std::wstring& path, const std::vector<TavGlyph*>& glyphs);
// The whole document as the note's stored body. An empty document empties the file, so that
// no earlier text comes back on the next load. True when the file holds the document.
bool saveRtf(const TavRichEditDoc& doc, const std::wstring& path);
// The same for a range of the document (the selection when copying).
std::string rtfBytes(const std::vector<TavGlyph*>& glyphs);

// Reads an RTF file into the document at its caret. With `record` the insertion is one undo
// step (paste); without it only the document refers to the new glyphs (loading a note).
// Returns the reader's result code; nothing is inserted unless it is 0. With `refuseLossy` a
// document whose text did not decode exactly inserts nothing and gives RtfLossy, so that a
// paste can take the clipboard's Unicode text instead. Without it a paste (`record`) refuses
// lossy text and a load keeps what could be read.
int readRtf(TavRichEditDoc& doc, const std::wstring& path, bool record);
int readRtf(TavRichEditDoc& doc, const std::wstring& path, bool record, bool refuseLossy);
int readRtfBytes(TavRichEditDoc& doc, const std::string& bytes, bool record);
int readRtfBytes(TavRichEditDoc& doc, const std::string& bytes, bool record, bool refuseLossy);
