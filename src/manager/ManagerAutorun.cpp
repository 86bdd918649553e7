#include "ManagerAutorun.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "GdiOwners.h"

namespace {

struct RegKeyTraits {
    static bool empty(HKEY h) { return h == nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
using RegKey = TavUniqueHandle<HKEY, RegKeyTraits>;

// A command line holds at most 32767 characters: a longer value cannot be ours and is not read.
constexpr size_t kMaxValueChars = 32768;

bool usable(const AutorunPlace& place) { return place.root != nullptr && !place.key.empty(); }

RegKey openKey(const AutorunPlace& place, REGSAM access) {
    HKEY key = nullptr;
    if (!usable(place) || RegOpenKeyExW(place.root, place.key.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key);
}

struct StoredValue {
    bool present = false;
    std::wstring text; // "" when the value is no string or too long to be a command line
};

StoredValue readValue(const AutorunPlace& place) {
    RegKey key = openKey(place, KEY_QUERY_VALUE);
    if (!key) return {};
    std::vector<wchar_t> buffer(kMaxValueChars);
    DWORD type = 0, size = DWORD(buffer.size() * sizeof(wchar_t));
    const LONG status = RegQueryValueExW(key.get(), kAutorunValueName, nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (status == ERROR_MORE_DATA) return {true, {}};
    if (status != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {true, {}};
    // The stored zero may be missing or come early: the text ends at the first zero or the size.
    const wchar_t* begin = buffer.data();
    const wchar_t* end = begin + std::min<size_t>(size / sizeof(wchar_t), buffer.size());
    return {true, std::wstring(begin, std::find(begin, end, L'\0'))};
}

bool writeValue(const AutorunPlace& place, const std::wstring& text) {
    if (!usable(place) || text.empty()) return false;
    HKEY raw = nullptr;
    if (RegCreateKeyExW(place.root, place.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS)
        return false;
    RegKey key(raw);
    const DWORD bytes = DWORD((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), kAutorunValueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

void deleteValue(const AutorunPlace& place) {
    if (RegKey key = openKey(place, KEY_SET_VALUE)) RegDeleteValueW(key.get(), kAutorunValueName);
}

std::wstring upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), DWORD(text.size()));
    return text;
}

// Boyer-Moore with its good-suffix rule finds the first occurrence in linear time, also in a long
// value made of repeats of the path's beginning.
bool containsIgnoringCase(const std::wstring& text, const std::wstring& part) {
    const std::wstring t = upper(text), p = upper(part);
    return std::search(t.begin(), t.end(), std::boyer_moore_searcher(p.begin(), p.end())) != t.end();
}

} // namespace

AutorunRegistry defaultAutorunRegistry() {
    return AutorunRegistry{{HKEY_LOCAL_MACHINE, kAutorunRunKey}, {HKEY_CURRENT_USER, kAutorunRunKey}};
}

std::wstring runningExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        if (buffer.size() >= kMaxValueChars) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring autorunValueText(const std::wstring& exePath) {
    if (exePath.empty() || exePath.find_first_of(std::wstring(L"\"\0", 2)) != std::wstring::npos) return {};
    return L"\"" + exePath + L"\"";
}

bool autorunEnabled(const AutorunRegistry& registry, const std::wstring& exePath) {
    const std::wstring expected = autorunValueText(exePath);
    bool on = false;
    for (const AutorunPlace* place : {&registry.machine, &registry.user}) {
        const StoredValue stored = readValue(*place);
        if (!stored.present) continue;
        on = true;
        if (!expected.empty() && !containsIgnoringCase(stored.text, expected)) writeValue(*place, expected);
    }
    return on;
}

bool setAutorun(const AutorunRegistry& registry, const std::wstring& exePath, bool on) {
    if (on) {
        const std::wstring text = autorunValueText(exePath);
        if (!writeValue(registry.machine, text)) writeValue(registry.user, text);
    } else {
        deleteValue(registry.machine);
        deleteValue(registry.user);
    }
    return autorunEnabled(registry, exePath);
}
