// Placeholder so that the note compiles while the picture child is written; replaced whole.
#include "TavNoteItemImage.h"

TavNoteItemImage::TavNoteItemImage(std::wstring noteUnique, std::wstring noteFolder)
    : noteUnique_(std::move(noteUnique)), noteFolder_(std::move(noteFolder)) {}
TavNoteItemImage::~TavNoteItemImage() = default;
bool TavNoteItemImage::createInNote(HWND, int, const RECT&) { return false; }
void TavNoteItemImage::eraseStoredData() {}
void TavNoteItemImage::activateAt(int, int) {}
std::wstring TavNoteItemImage::GetFilePath() { return L""; }
void TavNoteItemImage::SetImage(const std::wstring& name) { image_ = name; }
