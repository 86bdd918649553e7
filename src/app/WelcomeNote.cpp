// The note a new user finds at the first start: how to write, format, add notes and find them.
#include "TavNoteMain.h"

#include <algorithm>

#include "NoteFormat.h"
#include "TavNoteItem.h"
#include "TavRichEditNI.h"

namespace {

constexpr int kWelcomeWidth = 300;
constexpr int kWelcomeHeight = 220;

const wchar_t kWelcomeText[] = L"欢迎使用 TavNote！\n"
                               L"· 双击便签的空白处，开始书写\n"
                               L"· 右键单击文字：字体、颜色、图标\n"
                               L"· 右键单击便签：添加图像、背景\n"
                               L"· 右键单击托盘图标：添加便签、管理\n"
                               L"· 单击托盘图标：所有便签回到眼前\n"
                               L"· 不用时：右键单击便签，选“删除”";

} // namespace

TavNoteItem* TavNoteMain::addWelcomeNote() {
    TavNoteItem* note = newNote(0);
    if (!note || !note->handle()) return note;
    // Wide enough for the text, kept inside the work area.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT r{};
    GetWindowRect(note->handle(), &r);
    const int left = std::max<int>(work.left, std::min<int>(r.left, work.right - kWelcomeWidth - 16));
    const int top = std::max<int>(work.top, std::min<int>(r.top, work.bottom - kWelcomeHeight - 16));
    SetWindowPos(note->handle(), nullptr, left, top, kWelcomeWidth, kWelcomeHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    note->SaveGeometry();

    std::unique_ptr<TavNoteChildItem> block =
        makeNoteChild(kRichTextChildClass, note->unique(), note->store().baseDir());
    const RECT at{8, 12, kWelcomeWidth - 8, 40};
    TavNoteChildItem* added = note->addChild(std::move(block), 0, at, true);
    auto* editor = added ? dynamic_cast<TavRichEditNI*>(&added->childWindow()) : nullptr;
    if (editor) {
        editor->insertText(kWelcomeText);
        editor->SaveBody();
        editor->SaveRowStates();
        editor->autoSize();
    }
    note->Redraw();
    return note;
}
