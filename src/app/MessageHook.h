#pragma once
// The thread's WH_GETMESSAGE hook: every message taken from the queue is offered to the
// pre-translate operation of the framework window it is for; a message that the window takes is
// turned into WM_NULL before TranslateMessage and the window procedure see it.
#include <windows.h>

HHOOK installMessageHook();
void removeMessageHook(HHOOK hook);
