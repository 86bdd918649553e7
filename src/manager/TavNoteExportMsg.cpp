#include "TavNoteExportMsg.h"

#include <algorithm>
#include <map>

#include "FileDialogs.h"
#include "FileSystem.h"

TavNoteExportMsg::TavNoteExportMsg(ExportKind kind, std::vector<ExportNote> notes, std::wstring destination)
    : TavNoteMessageBox(0, L"开始导出...", L"正在导出...", 300, 120), kind_(kind), notes_(std::move(notes)),
      destination_(std::move(destination)) {
    setObjectName(L"TavNoteExportMsg");
    setIcon(L"TavNote.png");
}

TavNoteExportMsg::~TavNoteExportMsg() {
    cancel_ = true;
    finishWorker();
}

void TavNoteExportMsg::finishWorker() {
    if (worker_.joinable()) worker_.join();
}

void TavNoteExportMsg::onCreated() {
    TavNoteMessageBox::onCreated();
    if (worker_.joinable()) return;
    // The window exists: its handle is what the worker reports to (posted, so that a user
    // interface thread waiting for the worker never waits for itself).
    const HWND window = handle();
    worker_ = std::thread([this, window] {
        const bool ok = writeExport(
            kind_, notes_, destination_,
            [window](int done, int total) {
                PostMessageW(window, kExportMsgProgress, WPARAM(done), LPARAM(total));
            },
            cancel_);
        written_ = ok && !cancel_;
    });
}

void TavNoteExportMsg::createControls() { TavNoteCaption::createControls(); }

LRESULT TavNoteExportMsg::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kExportMsgProgress) {
        const int done = int(wParam), total = int(lParam);
        if (done >= total) {
            closeWith(kNoteResultOk);
            return 0;
        }
        // A step already followed by a later one is not drawn: the worker is faster than a redraw,
        // and drawing each of a thousand steps would keep the user waiting for the counter.
        MSG later;
        if (PeekMessageW(&later, handle(), kExportMsgProgress, kExportMsgProgress, PM_NOREMOVE)) return 0;
        setMessage(exportProgressText(done, total));
        return 0;
    }
    return TavNoteMessageBox::windowProc(message, wParam, lParam);
}

bool TavNoteExportMsg::run(HWND owner) {
    const INT_PTR result = runModal(owner);
    if (result != kNoteResultOk) cancel_ = true;
    finishWorker();
    return result == kNoteResultOk && written_;
}

namespace {

std::wstring askDestination(HWND owner, ExportKind kind) {
    switch (kind) {
    case ExportKind::Rtf: {
        TavFileChoice choice = saveFileDialog(owner, L"rtf 格式文件\0*.rtf\0", L"保存为富文本...");
        return choice.path.empty() ? std::wstring() : withExportExtension(choice.path, L".rtf");
    }
    case ExportKind::Text: {
        TavFileChoice choice = saveFileDialog(owner, L"txt 格式文件\0*.txt\0", L"保存文本...");
        return choice.path.empty() ? std::wstring() : withExportExtension(choice.path, L".txt");
    }
    case ExportKind::Png:
        return browseForFolder(owner, L"选择一个文件夹...");
    }
    return std::wstring();
}

} // namespace

bool runNoteExport(HWND owner, ExportKind kind, const std::wstring& groupFolder,
                   const std::vector<std::wstring>& uniques, const TavExportDialogs& dialogs) {
    std::vector<std::pair<std::wstring, std::wstring>> notes;
    for (const std::wstring& unique : uniques) notes.push_back({groupFolder, unique});
    return runNoteExport(owner, kind, notes, dialogs);
}

bool runNoteExport(HWND owner, ExportKind kind,
                   const std::vector<std::pair<std::wstring, std::wstring>>& notes,
                   const TavExportDialogs& dialogs) {
    std::wstring destination =
        dialogs.chooseDestination ? dialogs.chooseDestination(kind) : askDestination(owner, kind);
    if (destination.empty() || !isAbsolutePath(destination)) return false;
    if (kind == ExportKind::Png) {
        if (destination.back() != L'\\') destination += L'\\';
        bool exists = false;
        for (const auto& note : notes)
            exists =
                exists || (isPlainFileName(note.second) && fileExists(destination + note.second + L".png"));
        if (exists) {
            const bool replace = dialogs.replacePictures ? dialogs.replacePictures() : [&] {
                TavNoteMessageBox box(3, L"文件夹中已有同名的图片，要替换它们吗？", L"TavNote", 300, 120);
                box.setIcon(L"TavNote.png");
                return box.runModal(owner) == kNoteResultOk;
            }();
            if (!replace) return false;
        }
    }
    // Gathered folder by folder, written in the order of the notes' names.
    std::map<std::wstring, std::vector<std::wstring>> byFolder;
    for (const auto& note : notes) byFolder[note.first].push_back(note.second);
    std::vector<ExportNote> gathered;
    for (auto& [folder, uniques] : byFolder) {
        std::vector<ExportNote> some = gatherExport(folder, uniques, kind);
        for (ExportNote& n : some) gathered.push_back(std::move(n));
    }
    std::stable_sort(gathered.begin(), gathered.end(),
                     [](const ExportNote& a, const ExportNote& b) { return a.unique < b.unique; });
    TavNoteExportMsg progress(kind, std::move(gathered), destination);
    return progress.run(owner);
}
