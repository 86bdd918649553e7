// Folder utilities and the dialog seam.
#include <gtest/gtest.h>

#include <algorithm>

#include "FileDialogs.h"
#include "FolderUtils.h"
#include "draw_support.h"

namespace {
void writeFile(const std::wstring& path, const char* text) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, text, DWORD(strlen(text)), &written, nullptr);
    CloseHandle(f);
}

std::string readFile(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    char buf[256];
    DWORD got = 0;
    ReadFile(f, buf, sizeof buf, &got, nullptr);
    CloseHandle(f);
    return std::string(buf, got);
}

std::vector<std::wstring> sorted(std::vector<std::wstring> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// root\a.txt, root\sub\b.txt, root\sub\deep\c.txt (read-only), root\中文\d.txt, root\empty\ .
std::wstring makeTree(const std::wstring& name) {
    std::wstring root = drawTestFolder(name);
    for (const wchar_t* dir : {L"sub", L"sub\\deep", L"中文", L"empty"}) CreateDirectoryW((root + dir).c_str(), nullptr);
    writeFile(root + L"a.txt", "a");
    writeFile(root + L"sub\\b.txt", "b");
    writeFile(root + L"sub\\deep\\c.txt", "c");
    writeFile(root + L"中文\\d.txt", "d");
    SetFileAttributesW((root + L"sub\\deep\\c.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    return root;
}
}  // namespace

TEST(Folders, ListsFoldersAndFilesApart) {
    std::wstring root = makeTree(L"list");
    EXPECT_EQ(sorted(listSubFolders(root)), (std::vector<std::wstring>{L"empty", L"sub", L"中文"}));
    EXPECT_EQ(listFiles(root), std::vector<std::wstring>{L"a.txt"});
    EXPECT_TRUE(isFolder(root));
    EXPECT_TRUE(isFolder(root.substr(0, root.size() - 1)));
    EXPECT_FALSE(isFolder(root + L"a.txt"));
    EXPECT_FALSE(isFolder(root + L"nowhere\\"));
    EXPECT_TRUE(listFiles(root + L"nowhere\\").empty());
}

TEST(Folders, DeleteRemovesNestedFoldersBeforeTheirParent) {
    std::wstring root = makeTree(L"delete");
    EXPECT_TRUE(deleteFolder(root + L"sub\\", false));  // contents only
    EXPECT_TRUE(isFolder(root + L"sub\\"));
    EXPECT_TRUE(listSubFolders(root + L"sub\\").empty());
    EXPECT_TRUE(deleteFolder(root));
    EXPECT_EQ(GetFileAttributesW(root.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(deleteFolder(root));  // already gone
}

TEST(Folders, CopyCopiesNestedFilesAndOverwrites) {
    std::wstring root = makeTree(L"copy_src");
    std::wstring target = drawTestFolder(L"copy_dst") + L"into\\";
    EXPECT_TRUE(copyFolder(root, target));
    EXPECT_EQ(readFile(target + L"a.txt"), "a");
    EXPECT_EQ(readFile(target + L"sub\\deep\\c.txt"), "c");
    EXPECT_EQ(readFile(target + L"中文\\d.txt"), "d");
    EXPECT_TRUE(isFolder(target + L"empty\\"));
    writeFile(root + L"a.txt", "changed");
    EXPECT_TRUE(copyFolder(root, target));
    EXPECT_EQ(readFile(target + L"a.txt"), "changed");
    EXPECT_FALSE(copyFolder(root + L"nowhere\\", target + L"x\\"));
    EXPECT_FALSE(copyFolder(root, target + L"missing_parent\\deeper\\"));
    EXPECT_FALSE(copyFolder(root, root + L"sub\\inner\\"));  // into itself: refused, not endless
    EXPECT_FALSE(isFolder(root + L"sub\\inner\\"));
    EXPECT_TRUE(deleteFolder(root));
    EXPECT_TRUE(deleteFolder(target));
}

TEST(Dialogs, SeamAnswersInsteadOfThePlatform) {
    std::wstring seenFilter;
    TavDialogSeam seam;
    seam.open = [&](HWND, const wchar_t* filter) {
        seenFilter = filter;
        return TavFileChoice{L"C:\\pics\\a.png", L"a.png"};
    };
    seam.save = [](HWND, const wchar_t*) { return TavFileChoice{}; };
    seam.browse = [](HWND) { return std::wstring(L"C:\\out"); };
    setDialogSeam(seam);
    TavFileChoice chosen = openFileDialog(nullptr, L"图片\0*.png\0\0");
    EXPECT_EQ(chosen.path, L"C:\\pics\\a.png");
    EXPECT_EQ(chosen.title, L"a.png");
    EXPECT_EQ(seenFilter, L"图片");
    EXPECT_TRUE(saveFileDialog(nullptr, L"").path.empty());
    EXPECT_EQ(browseForFolder(nullptr), L"C:\\out");
    setDialogSeam({});
}
