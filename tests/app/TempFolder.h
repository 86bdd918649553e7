#pragma once
// A fresh folder under the temporary folder, deleted with everything in it at scope end.
#include <windows.h>

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Ends in a backslash.
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

bool writeBytes(const std::wstring& path, const std::string& bytes);
std::string readBytes(const std::wstring& path);
bool isFolder(const std::wstring& path);
