#pragma once
// What an installation folder holds before and after a run of TavNote.exe, and the two promises
// checked against it: nothing outside NoteData\ changes, and nothing inside NoteData\ is lost.
// Also the host-side tools these tests need: links made with ln -s, and kill -9 of the Unix
// process behind a Windows one.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "UnixTools.h"
#include "XmlDocument.h"

namespace datacheck {

struct Entry {
    bool folder = false;
    bool link = false; // a folder link (reparse point): listed, never entered
    ULONGLONG size = 0;
    std::string bytes; // files up to kKeptBytes only
};
// Paths relative to the listed root, "NoteData\NoteItems\x\x.xml".
using Listing = std::map<std::wstring, Entry>;

constexpr ULONGLONG kKeptBytes = 4u << 20;

inline void listInto(const std::wstring& root, const std::wstring& relative, Listing& out) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((root + relative + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        Entry e;
        e.folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        e.size = (ULONGLONG(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        const std::wstring path = relative + name;
        if (!e.folder && e.size <= kKeptBytes) e.bytes = readBytes(root + path);
        out[path] = e;
        if (e.folder && !e.link) listInto(root, path + L"\\", out);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

// Everything under root (ending in a backslash), links listed but not followed.
inline Listing listTree(const std::wstring& root) {
    Listing out;
    listInto(root, L"", out);
    return out;
}

inline bool startsWith(const std::wstring& s, const std::wstring& prefix) {
    return s.size() >= prefix.size() && CompareStringOrdinal(s.c_str(), int(prefix.size()), prefix.c_str(),
                                                             int(prefix.size()), TRUE) == CSTR_EQUAL;
}

inline bool endsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() &&
           CompareStringOrdinal(s.c_str() + s.size() - tail.size(), int(tail.size()), tail.c_str(),
                                int(tail.size()), TRUE) == CSTR_EQUAL;
}

// The user data the program may create or change beside its executable.
inline bool isUserData(const std::wstring& path) {
    return startsWith(path, L"NoteData\\") || path == L"NoteData" || startsWith(path, L"sysconfig.xml");
}

// Differences outside the user data: entries gone, changed, or new (the program writing where it
// must not, as a template saved into the working folder would).
inline std::vector<std::wstring> outsideChanges(const Listing& before, const Listing& after) {
    std::vector<std::wstring> changes;
    for (const auto& [path, e] : before) {
        if (isUserData(path)) continue;
        auto it = after.find(path);
        if (it == after.end())
            changes.push_back(L"gone: " + path);
        else if (it->second.folder != e.folder || it->second.size != e.size || it->second.bytes != e.bytes)
            changes.push_back(L"changed: " + path);
    }
    for (const auto& [path, e] : after)
        if (!isUserData(path) && !before.count(path)) changes.push_back(L"new: " + path);
    return changes;
}

inline bool isWellFormedXml(const std::string& bytes) {
    if (bytes.empty()) return false;
    const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring text(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), text.data(), n);
    XmlDocument doc;
    return doc.setDocument(text.c_str()) && doc.isWellFormed();
}

// Where a file of the data folder may legitimately have gone: rewritten in place (a well-formed
// XML file that stays well-formed), kept as "<name>.bad" or "<name>.bad.N" with its bytes, or
// (when deleting was part of the run) copied to the recycle folder.
inline bool accountedFor(const std::wstring& path, const Entry& e, const Listing& after,
                         bool recycleAllowed) {
    auto same = [&](const std::wstring& p) {
        auto it = after.find(p);
        return it != after.end() && !it->second.folder && it->second.size == e.size &&
               it->second.bytes == e.bytes;
    };
    if (same(path)) return true;
    auto it = after.find(path);
    if (it != after.end() && endsWith(path, L".xml") && isWellFormedXml(e.bytes) &&
        isWellFormedXml(it->second.bytes))
        return true;
    for (int i = 0; i < 10; ++i)
        if (same(path + L".bad" + (i ? L"." + std::to_wstring(i) : L""))) return true;
    const std::wstring items = L"NoteData\\NoteItems\\";
    if (recycleAllowed && startsWith(path, items)) {
        const std::wstring recycled = L"NoteData\\Recycle\\" + path.substr(items.size());
        if (same(recycled)) return true;
        // A recycled note's file names the snapshot taken as it went: it may differ, well-formed.
        auto moved = after.find(recycled);
        if (moved != after.end() && endsWith(path, L".xml") && isWellFormedXml(e.bytes) &&
            isWellFormedXml(moved->second.bytes))
            return true;
    }
    return false;
}

// Files of the data folder that are gone or changed without a trace.
inline std::vector<std::wstring> lostData(const Listing& before, const Listing& after, bool recycleAllowed) {
    std::vector<std::wstring> lost;
    for (const auto& [path, e] : before) {
        if (!startsWith(path, L"NoteData\\")) continue;
        if (e.folder) {
            if (!after.count(path) && !recycleAllowed) lost.push_back(L"folder gone: " + path);
            continue;
        }
        if (!accountedFor(path, e, after, recycleAllowed)) lost.push_back(L"lost: " + path);
    }
    return lost;
}

// XML files under the root that are empty or not well-formed (".bad" copies are not XML files).
inline std::vector<std::wstring> damagedXml(const Listing& listing) {
    std::vector<std::wstring> damaged;
    for (const auto& [path, e] : listing)
        if (!e.folder && endsWith(path, L".xml") && !isWellFormedXml(e.bytes))
            damaged.push_back(path + L" (" + std::to_wstring(e.size) + L" bytes)");
    return damaged;
}

inline std::wstring joined(const std::vector<std::wstring>& lines) {
    std::wstring all;
    for (const std::wstring& l : lines) all += L"\n  " + l;
    return all;
}

// ---- the host side ------------------------------------------------------------------------

inline std::wstring wide(const std::string& utf8) {
    std::wstring w(utf8.size(), L'\0');
    w.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), w.data(), int(w.size()))));
    return w;
}

inline std::wstring hostPath(const std::wstring& windowsPath) {
    std::wstring p = windowsPath;
    while (!p.empty() && p.back() == L'\\') p.pop_back();
    return L"\"" + wide(unixtools::unixPath(p)) + L"\"";
}

// A folder link made from the host side (ln -s): Wine shows it as a folder with
// FILE_ATTRIBUTE_REPARSE_POINT. True when Wine sees a folder there.
inline bool makeHostLink(const std::wstring& target, const std::wstring& link) {
    const std::wstring command = L"/bin/ln -s " + hostPath(target) + L" " + hostPath(link);
    if (!unixtools::runUnix(command)) std::printf("failed: %ls\n", command.c_str());
    std::wstring l = link;
    while (!l.empty() && l.back() == L'\\') l.pop_back();
    // "start /unix" may return before the Unix program is done.
    DWORD a = INVALID_FILE_ATTRIBUTES;
    for (int i = 0; i < 250 && (a = GetFileAttributesW(l.c_str())) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_REPARSE_POINT))
        std::printf("Wine shows the link %ls with attributes 0x%lx (no reparse point)\n", l.c_str(), a);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Removes every link under the folder from the host side, so that a later recursive delete of the
// folder cannot walk into a link's target.
inline void removeHostLinks(const std::wstring& folder) {
    unixtools::runUnix(L"/usr/bin/find " + hostPath(folder) + L" -type l -delete");
}

// The Unix process id of the running Windows program started from exactly this executable path:
// /proc/<pid>/cmdline of a Wine process starts with the command line it was given.
inline int unixPidOf(const std::wstring& exe) {
    const std::string wanted = [&] {
        std::string s(exe.size() * 4, '\0');
        s.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, exe.data(), int(exe.size()), s.data(), int(s.size()),
                                            nullptr, nullptr)));
        return s;
    }();
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int found = 0;
    do {
        const wchar_t* name = fd.cFileName;
        if (!(*name >= L'0' && *name <= L'9')) continue;
        std::string cmd = readBytes(std::wstring(L"Z:\\proc\\") + name + L"\\cmdline");
        std::string first = cmd.substr(0, cmd.find('\0'));
        if (!first.empty() && first.front() == '"') first = first.substr(1, first.find('"', 1) - 1);
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, first.c_str(), -1, wanted.c_str(), -1) ==
            CSTR_EQUAL) {
            found = _wtoi(name);
            break;
        }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return found;
}

// kill -9 of the Unix process behind the program started from `exe`; false when it was not found.
inline bool killHard(const std::wstring& exe) {
    const int pid = unixPidOf(exe);
    return pid > 0 && unixtools::runUnix(L"/bin/kill -9 " + std::to_wstring(pid));
}

} // namespace datacheck
