#include "TavNoteChild.h"

std::unique_ptr<TavNoteChildItem> makeNoteChild(const std::wstring& className, const std::wstring& unique,
                                                const std::wstring& noteDir) {
    (void)className;
    (void)unique;
    (void)noteDir;
    return nullptr;
}
