#include "TavNotePrompt.h"

void runReminderEditor(HWND, const std::wstring&, const std::wstring&) {}
