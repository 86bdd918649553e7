#include "NoteExport.h"

#include "AppPaths.h"
#include "AtomicFile.h"
#include "CRtfReader.h"
#include "FileSystem.h"
#include "ManagerFolders.h"
#include "NoteFormat.h"
#include "NoteSnapshot.h"
#include "NoteStore.h"
#include "RtfFontSizes.h"
#include "Settings.h"
#include "TavNoteItem.h"
#include "TavRichEditNI.h"
#include "TavRichEditRtf.h"
#include "XmlDocument.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kDefaultPoints = 12; // RTF's own default size

// The store of a note of the folder ("" base for the system group's folder).
TavNoteStore storeIn(const std::wstring& groupFolder, const std::wstring& unique) {
    return TavNoteStore(
        unique, sameFolderPath(groupFolder, noteItemsDirectory()) ? std::wstring() : withSlash(groupFolder),
        0);
}

// The reader's runs in the writer's terms.
RtfDocument documentFromReader(const CRtfReader& reader) {
    RtfDocument doc;
    doc.fontFamilies = reader.fontNames();
    if (doc.fontFamilies.empty()) doc.fontFamilies.push_back(settings().defaultFontFace);
    std::vector<uint32_t> colors{0};
    colors.insert(colors.end(), reader.colors().begin(), reader.colors().end());
    for (const RtfCharRun& in : reader.runs()) {
        if (in.text.empty()) continue;
        RtfRun run;
        run.text = in.text;
        const int entry = in.font >= 0 ? reader.fontEntry(in.font) : -1;
        run.font = entry >= 0 ? entry : 0;
        const int points = in.halfPoints > 0 ? std::clamp(in.halfPoints / 2, 1, 999) : kDefaultPoints;
        run.sizePixels = pointsToPixels(points, doc.fontFamilies[size_t(run.font)]);
        if (in.color >= 0) run.argb = 0xFF000000u | colors[std::min(size_t(in.color), colors.size() - 1)];
        run.bold = in.bold;
        run.italic = in.italic;
        run.underline = in.underline;
        run.strike = in.strike;
        doc.runs.push_back(std::move(run));
    }
    for (const RtfRun& run : doc.runs) doc.colors.push_back(run.argb);
    std::sort(doc.colors.begin(), doc.colors.end());
    doc.colors.erase(std::unique(doc.colors.begin(), doc.colors.end()), doc.colors.end());
    return doc;
}

// The body file of a stored rich text block, "" when its file names none or a name outside.
std::wstring blockBodyPath(const TavNoteStore& store, int childId) {
    XmlDocument xml;
    if (!xml.loadFile(store.childFilePath(childId)) || !xml.isWellFormed() ||
        !xml.findElement(L"TavRichEditNI") || !xml.intoElement() || !xml.findElement(L"rtftext"))
        return std::wstring();
    const std::wstring name = xml.getData();
    return isRichBodyFileName(name) ? store.fileInFolder(name) : std::wstring();
}

} // namespace

void appendRtf(RtfDocument& into, const RtfDocument& part) {
    const int offset = int(into.fontFamilies.size());
    into.fontFamilies.insert(into.fontFamilies.end(), part.fontFamilies.begin(), part.fontFamilies.end());
    for (RtfRun run : part.runs) {
        run.font += offset;
        into.runs.push_back(std::move(run));
    }
    into.colors.insert(into.colors.end(), part.colors.begin(), part.colors.end());
    std::sort(into.colors.begin(), into.colors.end());
    into.colors.erase(std::unique(into.colors.begin(), into.colors.end()), into.colors.end());
}

RtfDocument storedNoteRichText(const std::wstring& groupFolder, const std::wstring& unique) {
    RtfDocument all;
    if (!isPlainFileName(unique)) return all;
    const TavNoteStore store = storeIn(groupFolder, unique);
    for (const TavNoteChild& child : store.LoadChildren()) {
        if (child.className != L"TavRichEditNI") continue;
        const std::wstring body = blockBodyPath(store, child.id);
        if (body.empty() || !fileExists(body)) continue;
        CRtfReader reader;
        if (reader.open(body) != 0) continue;
        appendRtf(all, documentFromReader(reader));
    }
    return all;
}

std::vector<ExportNote> gatherExport(const std::wstring& groupFolder, std::vector<std::wstring> uniques,
                                     ExportKind kind) {
    std::sort(uniques.begin(), uniques.end());
    std::vector<ExportNote> notes;
    for (const std::wstring& unique : uniques) {
        if (!isPlainFileName(unique)) continue;
        ExportNote note;
        note.unique = unique;
        TavNoteItem* open = TavNoteItem::findByUnique(unique);
        // A note open on the desktop is only the one of this folder when its folder is this one.
        if (open && !sameFolderPath(open->store().folderPath(), withSlash(groupFolder) + unique))
            open = nullptr;
        if (kind == ExportKind::Png) {
            if (open) {
                note.pixels = open->pictureCopy(note.width, note.height);
            } else {
                const TavNoteStore store = storeIn(groupFolder, unique);
                const std::wstring name = store.LoadSnapshotName().value_or(std::wstring());
                if (!name.empty() && isPlainFileName(name)) note.snapshotFile = store.fileInFolder(name);
            }
        } else if (open) {
            for (const auto& child : open->noteChildren()) {
                auto* block = dynamic_cast<TavRichEditNI*>(child.get());
                if (block) appendRtf(note.rich, rtfDocumentFromGlyphs(block->doc().allGlyphs()));
            }
        } else {
            note.rich = storedNoteRichText(groupFolder, unique);
        }
        notes.push_back(std::move(note));
    }
    return notes;
}

std::string exportTextBytes(const std::wstring& text) {
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            lines += L"\r\n";
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else if (c == L'\n') {
            lines += L"\r\n";
        } else {
            lines += c;
        }
    }
    if (lines.empty()) return std::string();
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, lines.data(), int(lines.size()), nullptr,
                                      0, nullptr, &usedDefault);
    if (n > 0 && !usedDefault) {
        std::string ansi(size_t(n), '\0');
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, lines.data(), int(lines.size()), ansi.data(), n,
                            nullptr, &usedDefault);
        // A round trip that changes the text (a code page that maps without saying so) is no copy.
        std::wstring back(lines.size() + 8, L'\0');
        const int m = MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, back.data(), int(back.size()));
        if (!usedDefault && m == int(lines.size()) && back.compare(0, size_t(m), lines) == 0) return ansi;
    }
    const int u =
        WideCharToMultiByte(CP_UTF8, 0, lines.data(), int(lines.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8 = "\xEF\xBB\xBF";
    const size_t head = utf8.size();
    utf8.resize(head + size_t(std::max(u, 0)));
    WideCharToMultiByte(CP_UTF8, 0, lines.data(), int(lines.size()), utf8.data() + head, u, nullptr, nullptr);
    return utf8;
}

std::wstring rtfPlainText(const RtfDocument& doc) {
    std::wstring text;
    for (const RtfRun& run : doc.runs) text += run.text;
    return text;
}

std::wstring withExportExtension(const std::wstring& path, const wchar_t* extension) {
    if (path.size() >= 4 && path[path.size() - 4] == L'.') return path;
    return path + extension;
}

std::wstring exportProgressText(int done, int total) {
    if (done >= total) return std::wstring();
    if (done == total - 1) return L"正在完成导出...";
    wchar_t text[64];
    swprintf(text, 64, L"正在导出，已完成 %d/%d...", done, total - 2);
    return text;
}

bool writeExport(ExportKind kind, const std::vector<ExportNote>& notes, const std::wstring& destination,
                 const std::function<void(int, int)>& progress, const std::atomic<bool>& cancel) {
    if (!isAbsolutePath(destination)) return false;
    const int total = int(notes.size()) + 2;
    RtfDocument all;
    bool written = kind != ExportKind::Png;
    for (size_t i = 0; i < notes.size(); ++i) {
        if (progress) progress(int(i) + 1, total);
        if (cancel) return false;
        const ExportNote& note = notes[i];
        if (kind != ExportKind::Png) {
            appendRtf(all, note.rich);
            continue;
        }
        if (!isPlainFileName(note.unique)) continue;
        const std::wstring target = withSlash(destination) + note.unique + L".png";
        if (!note.pixels.empty()) {
            written = writeSnapshotPng({note.pixels.data(), note.width, note.height}, target) || written;
        } else if (!note.snapshotFile.empty() && fileExists(note.snapshotFile)) {
            written = CopyFileW(note.snapshotFile.c_str(), target.c_str(), FALSE) || written;
        }
    }
    if (progress) progress(total - 1, total);
    if (kind == ExportKind::Text)
        written = replaceFileAtomically(destination, exportTextBytes(rtfPlainText(all)));
    if (kind == ExportKind::Rtf) written = writeRtf(destination, all);
    if (progress) progress(total, total);
    return written;
}
