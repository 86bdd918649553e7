#pragma once
// Replacing a file without ever leaving it half-written: the bytes go to a temporary file beside
// the target (a name of its own, so two writers never share one), are flushed, and the temporary
// file is moved over the target. A reader holding the target for a moment (the reminder check,
// another program) makes the move fail; it is tried again for a short while.
#include <windows.h>

#include <string>

// True when the target now holds exactly the bytes. On failure the target is untouched, no
// temporary file is left, and *error (when given) is the system's error code.
bool replaceFileAtomically(const std::wstring& path, const std::string& bytes, DWORD* error = nullptr);

// The temporary file's name for a target: path + ".<process>.<counter>.tmp". Callers that must
// produce the file themselves (an encoder writing to a path) write there, then call
// moveOverAtomically.
std::wstring atomicTempPath(const std::wstring& path);

// Flushes the finished temporary file and moves it over the target, with the same retries; the
// temporary file is deleted when that fails.
bool moveOverAtomically(const std::wstring& temp, const std::wstring& path, DWORD* error = nullptr);
