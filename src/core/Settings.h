#pragma once
// Process-wide settings, read once at start-up from "sysconfig.xml" and "customcolor.xml".
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

struct TavSettings {
    std::wstring defaultFontFace = L"宋体";
    int defaultFontStyle = 0;                // GDI+ style bits: 1 bold, 2 italic, 4 underline, 8 strike-out
    uint32_t defaultTextColor = 0xFE000000;  // ARGB
    uint32_t borderMenuColor = 0xFFFB5A45;   // ARGB accent color
    std::array<COLORREF, 16> customColors{}; // color chooser's custom colors, 0x00BBGGRR
};

// The one settings record of the process.
TavSettings& settings();

// Reads both files into settings(); missing or damaged files leave the defaults.
void loadSettings();
// True if customcolor.xml was read.
bool loadCustomColors();
// Rewrites customcolor.xml from settings().customColors.
void saveCustomColors();

// The same operations on explicit files and records (used by the ones above and by tests).
void readSysconfig(const std::wstring& path, TavSettings& into);
bool readCustomColors(const std::wstring& path, TavSettings& into);
bool writeCustomColors(const std::wstring& path, const TavSettings& from);
