#pragma once
// Exporting notes from the manager: the text of every rich text block of the chosen notes as one
// text file or one RTF document, or each note's picture as a PNG file. What is exported is
// gathered on the user-interface thread (open notes from their windows, the others from their
// files); a worker writes it and reports each step to the progress window, which the user may
// close to cancel.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CRtfWriter.h"

enum class ExportKind { Rtf = 32001, Text = 32002, Png = 32003 };

// One note's part of an export.
struct ExportNote {
    std::wstring unique;
    RtfDocument rich;             // every rich text block in the note's child order
    std::vector<uint32_t> pixels; // the note's picture (premultiplied, top row first), or empty
    int width = 0, height = 0;
    std::wstring snapshotFile; // else its stored snapshot (a PNG of the note folder), or ""
};

// The runs of `part` appended to `into`, with the font and color tables merged.
void appendRtf(RtfDocument& into, const RtfDocument& part);
// The rich text of a stored note's blocks (its `ChildItems` order), read from their RTF bodies.
// A block whose files are damaged or whose body name is no plain file name gives nothing.
RtfDocument storedNoteRichText(const std::wstring& groupFolder, const std::wstring& unique);
// Gathers the notes (open ones from their windows); user-interface thread only.
std::vector<ExportNote> gatherExport(const std::wstring& groupFolder, std::vector<std::wstring> uniques,
                                     ExportKind kind);

// The text file's bytes: line ends as CR LF; the ANSI code page when it holds every character,
// else UTF-8 with a byte-order mark (so that no character becomes "?").
std::string exportTextBytes(const std::wstring& text);
// The plain text of a document: its runs' text in order.
std::wstring rtfPlainText(const RtfDocument& doc);
// A chosen file name with the extension appended unless its fourth character from the end is
// a dot (".txt", ".rtf").
std::wstring withExportExtension(const std::wstring& path, const wchar_t* extension);
// The progress window's text for step `done` of `total` (notes + 2): "正在导出，已完成 %d/%d...",
// then "正在完成导出..."; "" once done >= total (the window closes).
std::wstring exportProgressText(int done, int total);

// Writes the gathered notes to `destination` (a file for text and RTF, a folder for PNG),
// calling progress(done, total) before each note and for the finishing and completion steps,
// and stopping at the next note once `cancel` is set. False when nothing could be written.
// Any thread; GDI+ must be running for PNG.
bool writeExport(ExportKind kind, const std::vector<ExportNote>& notes, const std::wstring& destination,
                 const std::function<void(int, int)>& progress, const std::atomic<bool>& cancel);
