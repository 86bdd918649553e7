#pragma once
// Unix programs started from a test under Wine through "start /unix": xdotool for real pointer and
// key input through the X server, ImageMagick's import for screenshots. While waiting for one, the
// calling thread keeps pumping its messages, so windows of the test itself handle the input it makes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "TempFolder.h"
#include "TestWait.h"

namespace unixtools {

// Starts "start /wait /unix <command line>" without waiting; the process handle, or null.
inline HANDLE startUnix(const std::wstring& commandLine) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\start.exe\" /wait /unix " + commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Waits for a process from startUnix, pumping messages, and closes its handle; true when it exited
// with 0 within the time.
inline bool finishUnix(HANDLE process, DWORD timeoutMs = 20000) {
    if (!process) return false;
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    bool done = false;
    while (!done && GetTickCount64() < end) {
        pump();
        done = MsgWaitForMultipleObjects(1, &process, FALSE, 20, QS_ALLINPUT) == WAIT_OBJECT_0;
    }
    DWORD exitCode = 1;
    if (done) GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    pump();
    return done && exitCode == 0;
}

inline bool runUnix(const std::wstring& commandLine, DWORD timeoutMs = 20000) {
    return finishUnix(startUnix(commandLine), timeoutMs);
}

// True when the Unix program (an absolute Unix path) is installed.
inline bool haveTool(const std::wstring& unixProgram) {
    std::wstring windowsPath = L"Z:" + unixProgram;
    for (wchar_t& c : windowsPath)
        if (c == L'/') c = L'\\';
    return GetFileAttributesW(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool haveXdotool() { return haveTool(L"/usr/bin/xdotool"); }

// True under continuous integration (CI=true), where every tool the tests use must be installed.
inline bool underCi() {
    const char* ci = std::getenv("CI");
    return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

} // namespace unixtools

// Ends the test when the Unix program is missing: a skip on a developer's machine, a failure under
// CI. Use in a test body or a fixture's SetUp.
#define REQUIRE_TOOL(unixProgram)                                                                            \
    do {                                                                                                     \
        if (!unixtools::haveTool(unixProgram)) {                                                             \
            if (unixtools::underCi()) FAIL() << "missing " << (unixProgram) << " (CI=true)";                 \
            GTEST_SKIP() << "missing " << (unixProgram);                                                     \
        }                                                                                                    \
    } while (0)

namespace unixtools {

inline bool xdotool(const std::wstring& arguments, DWORD timeoutMs = 20000) {
    return runUnix(L"/usr/bin/xdotool " + arguments, timeoutMs);
}

inline HANDLE startXdotool(const std::wstring& arguments) {
    return startUnix(L"/usr/bin/xdotool " + arguments);
}

// The Unix path of a Windows path under Wine ("" elsewhere).
inline std::string unixPath(const std::wstring& path) {
    using Fn = char*(__cdecl*)(const wchar_t*);
    auto fn =
        reinterpret_cast<Fn>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (!fn) return std::string();
    char* unix = fn(path.c_str());
    if (!unix) return std::string();
    std::string result(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Saves the whole X screen (what a person sees, every process's windows) as a PNG with import.
inline bool saveXScreen(const std::wstring& windowsPath) {
    const std::string unix = unixPath(windowsPath);
    if (unix.empty()) return false;
    wchar_t wide[MAX_PATH * 4] = {};
    MultiByteToWideChar(CP_UTF8, 0, unix.c_str(), -1, wide, MAX_PATH * 4 - 1);
    // "start /unix" may return before the Unix program has written its file: wait for the PNG's
    // closing chunk.
    static const std::string pngEnd("IEND\xAE\x42\x60\x82", 8);
    const auto written = [&] {
        const std::string bytes = readBytes(windowsPath);
        return bytes.size() > pngEnd.size() &&
               bytes.compare(bytes.size() - pngEnd.size(), pngEnd.size(), pngEnd) == 0;
    };
    // import reads the screen while windows come and go; on a loaded machine it has failed there
    // now and then, and a second reading succeeds.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DeleteFileW(windowsPath.c_str());
        const bool ran = runUnix(L"/usr/bin/import -window root \"" + std::wstring(wide) + L"\"");
        if (waitFor(written, ran ? 10000 : 1000)) return true;
    }
    return false;
}

// A link made from the host side (the system's own link calls make nothing under Wine); the
// system reports it as a folder with the reparse-point attribute.
inline bool makeHostLink(const std::wstring& target, const std::wstring& link) {
    std::string from = unixtools::unixPath(target), to = unixtools::unixPath(link);
    if (from.empty() || to.empty()) return false;
    if (from.back() == '/') from.pop_back();
    if (to.back() == '/') to.pop_back();
    unixtools::runUnix(L"/bin/ln -s " + std::wstring(from.begin(), from.end()) + L" " +
                       std::wstring(to.begin(), to.end()));
    // "start /unix" may return before ln has made the link.
    return waitFor(
        [&] {
            const DWORD attributes = GetFileAttributesW(link.c_str());
            return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        },
        2000);
}

} // namespace unixtools
