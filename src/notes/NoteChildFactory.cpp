#include "TavNoteChild.h"

#include "NoteFormat.h"
#include "TavNoteItemEdit.h"
#include "TavNoteItemImage.h"
#include "TavRichEditNI.h"

std::unique_ptr<TavNoteChildItem> makeNoteChild(const std::wstring& className, const std::wstring& unique,
                                                const std::wstring& noteDir) {
    if (className == kRichTextChildClass) return std::make_unique<TavRichEditNI>(unique, noteDir);
    if (className == kPlainTextChildClass) return std::make_unique<TavNoteItemEdit>(unique, noteDir);
    if (className == kImageChildClass) return std::make_unique<TavNoteItemImage>(unique, noteDir);
    return nullptr;
}
