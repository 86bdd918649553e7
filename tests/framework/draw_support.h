#pragma once
// Shared helpers of the drawing toolkit tests.
#include <windows.h>

#include <cstdint>
#include <string>

#include "GdiOwners.h"

// A fresh empty folder under the temporary folder, ending in a backslash.
std::wstring drawTestFolder(const std::wstring& name);

inline uint32_t alphaOf(uint32_t pixel) { return pixel >> 24; }
