#include "AtomicFile.h"

#include <algorithm>
#include <cwchar>

namespace {

bool writeAllAndFlush(HANDLE h, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD put = 0;
        DWORD want = DWORD(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(h, bytes.data() + done, want, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return FlushFileBuffers(h) != 0;
}

bool fail(DWORD* error, DWORD code) {
    if (error) *error = code ? code : ERROR_WRITE_FAULT;
    return false;
}

bool flushFile(const std::wstring& path) {
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = FlushFileBuffers(h) != 0;
    CloseHandle(h);
    return ok;
}

// Moves temp over path; a target held open for a moment by a reader is tried again for up to a
// quarter second.
bool moveOver(const std::wstring& temp, const std::wstring& path, DWORD& error) {
    for (int attempt = 0; attempt < 25; ++attempt) {
        if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
        Sleep(10);
    }
    return false;
}

} // namespace

std::wstring atomicTempPath(const std::wstring& path) {
    static volatile LONG counter = 0;
    wchar_t suffix[40];
    std::swprintf(suffix, 40, L".%lx.%lx.tmp", GetCurrentProcessId(),
                  unsigned(InterlockedIncrement(&counter)));
    return path + suffix;
}

bool replaceFileAtomically(const std::wstring& path, const std::string& bytes, DWORD* error) {
    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    DWORD code = 0;
    for (int attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = atomicTempPath(path);
        h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        code = GetLastError();
        if (h == INVALID_HANDLE_VALUE && code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) return fail(error, code);
    bool ok = writeAllAndFlush(h, bytes);
    code = ok ? 0 : GetLastError();
    CloseHandle(h);
    if (ok) ok = moveOver(temp, path, code);
    if (!ok) {
        DeleteFileW(temp.c_str());
        return fail(error, code);
    }
    return true;
}

bool moveOverAtomically(const std::wstring& temp, const std::wstring& path, DWORD* error) {
    DWORD code = 0;
    bool ok = flushFile(temp);
    if (!ok) code = GetLastError();
    if (ok) ok = moveOver(temp, path, code);
    if (!ok) {
        DeleteFileW(temp.c_str());
        return fail(error, code);
    }
    return true;
}
