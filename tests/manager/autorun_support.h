#pragma once
// Start-with-Windows tests work in a scratch part of the registry, never in the real Run keys: two
// Run keys under HKCU\Software\TavNoteTest\<process>_<n>\, removed with everything under them when
// the scratch object goes.
#include <windows.h>

#include <string>
#include <vector>

#include "ManagerAutorun.h"

// One value as the registry holds it.
struct StoredAutorunValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    // The bytes as UTF-16 text, terminating zero included when stored.
    std::wstring rawText() const {
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }
};

class ScratchAutorunRegistry {
public:
    ScratchAutorunRegistry() {
        static int counter = 0;
        base_ = std::wstring(kParent) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(++counter);
        registry_ = {{HKEY_CURRENT_USER, base_ + L"\\Machine\\Run"},
                     {HKEY_CURRENT_USER, base_ + L"\\User\\Run"}};
    }
    ~ScratchAutorunRegistry() {
        RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, base_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kParent); // only when no other test's key is left in it
    }
    ScratchAutorunRegistry(const ScratchAutorunRegistry&) = delete;
    ScratchAutorunRegistry& operator=(const ScratchAutorunRegistry&) = delete;

    const AutorunRegistry& registry() const { return registry_; }
    const std::wstring& base() const { return base_; }

    // Writes a value of the place's key (created when missing); the text's zero is stored for strings.
    static bool put(const AutorunPlace& place, const wchar_t* name, const std::wstring& text,
                    DWORD type = REG_SZ) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(place.root, place.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr))
            return false;
        const DWORD bytes = DWORD((text.size() + (type == REG_SZ ? 1 : 0)) * sizeof(wchar_t));
        const bool ok =
            !RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
        RegCloseKey(key);
        return ok;
    }
    static bool put(const AutorunPlace& place, const std::wstring& text, DWORD type = REG_SZ) {
        return put(place, kAutorunValueName, text, type);
    }

    static StoredAutorunValue read(HKEY root, const std::wstring& keyName, const wchar_t* name) {
        StoredAutorunValue v;
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, keyName.c_str(), 0, KEY_QUERY_VALUE, &key)) return v;
        DWORD size = 0;
        if (!RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size)) {
            v.bytes.resize(size);
            v.present = !RegQueryValueExW(key, name, nullptr, &v.type, v.bytes.data(), &size);
            v.bytes.resize(size);
        }
        RegCloseKey(key);
        return v;
    }
    static StoredAutorunValue read(const AutorunPlace& place, const wchar_t* name = kAutorunValueName) {
        return read(place.root, place.key, name);
    }

private:
    static constexpr wchar_t kParent[] = L"Software\\TavNoteTest";
    std::wstring base_;
    AutorunRegistry registry_;
};
