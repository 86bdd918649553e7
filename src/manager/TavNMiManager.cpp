#include "TavNMiManager.h"

void runManager(HWND) {}
