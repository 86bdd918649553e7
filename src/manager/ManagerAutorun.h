#pragma once
// Starting with Windows: the state of the option is the presence of the string value
// "tavnote_autorun" under a Run key of the registry, holding the executable's quoted full path.
// The program writes under the machine-wide key and, where that is refused (no administrator
// rights), under the current user's; the option is on when either holds the value. No window;
// the registry places are parameters so that tests work under a scratch key.
#include <windows.h>

#include <string>

struct AutorunPlace {
    HKEY root = nullptr;
    std::wstring key; // below root; never empty (an empty key would name the root itself)
};

struct AutorunRegistry {
    AutorunPlace machine;
    AutorunPlace user;
};

inline constexpr wchar_t kAutorunValueName[] = L"tavnote_autorun";
inline constexpr wchar_t kAutorunRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, each with the Run key.
AutorunRegistry defaultAutorunRegistry();

// The full path of the running executable; "" when it cannot be read.
std::wstring runningExecutablePath();

// A double quote, the path, a double quote; "" for a path that cannot be quoted (empty, or holding
// a quote or a zero), which is then never written.
std::wstring autorunValueText(const std::wstring& exePath);

// True when the value exists under machine or user. Where it exists but does not contain the
// quoted path (letter case ignored: the program was moved), it is rewritten with it in the same
// place; a failed rewrite is ignored.
bool autorunEnabled(const AutorunRegistry& registry, const std::wstring& exePath);

// On: writes the value under machine, or under user when machine refuses. Off: deletes it from
// both. Returns autorunEnabled read back afterwards, so a refused write shows as the real state.
bool setAutorun(const AutorunRegistry& registry, const std::wstring& exePath, bool on);
