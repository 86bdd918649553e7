// Folder utilities and the dialog seam.
#include <gtest/gtest.h>

#include <algorithm>

#include "FileDialogs.h"
#include "AppPaths.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "TempFolder.h"
#include "UnixTools.h"
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

// A folder of the data folder (the environment's application folder is an override of its own).
std::wstring dataTestFolder(const std::wstring& name) {
    std::wstring folder = dataDirectory() + L"t_" + name + L"\\";
    removeTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// root\a.txt, root\sub\b.txt, root\sub\deep\c.txt (read-only), root\中文\d.txt, root\empty\ .
std::wstring makeTree(const std::wstring& name) {
    std::wstring root = dataTestFolder(name);
    for (const wchar_t* dir : {L"sub", L"sub\\deep", L"中文", L"empty"})
        CreateDirectoryW((root + dir).c_str(), nullptr);
    writeFile(root + L"a.txt", "a");
    writeFile(root + L"sub\\b.txt", "b");
    writeFile(root + L"sub\\deep\\c.txt", "c");
    writeFile(root + L"中文\\d.txt", "d");
    SetFileAttributesW((root + L"sub\\deep\\c.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    return root;
}

// A folder outside the data folder holding canary.txt, which nothing may delete or change.
std::wstring makeCanary(const std::wstring& name) {
    std::wstring folder = drawTestFolder(L"canary_" + name);
    writeFile(folder + L"canary.txt", "alive");
    CreateDirectoryW((folder + L"inner").c_str(), nullptr);
    writeFile(folder + L"inner\\canary.txt", "alive");
    return folder;
}

void expectCanaryAlive(const std::wstring& folder) {
    EXPECT_EQ(readFile(folder + L"canary.txt"), "alive")
        << "in " << std::string(folder.begin(), folder.end());
    EXPECT_EQ(readFile(folder + L"inner\\canary.txt"), "alive");
}

using unixtools::makeHostLink;
} // namespace

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
    EXPECT_TRUE(deleteFolder(root + L"sub\\", false)); // contents only
    EXPECT_TRUE(isFolder(root + L"sub\\"));
    EXPECT_TRUE(listSubFolders(root + L"sub\\").empty());
    EXPECT_TRUE(deleteFolder(root));
    EXPECT_EQ(GetFileAttributesW(root.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(deleteFolder(root)); // already gone
}

TEST(Folders, CopyCopiesNestedFilesAndOverwrites) {
    std::wstring root = makeTree(L"copy_src");
    std::wstring target = dataTestFolder(L"copy_dst") + L"into\\";
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
    EXPECT_FALSE(copyFolder(root, root + L"sub\\inner\\")); // into itself: refused, not endless
    EXPECT_FALSE(isFolder(root + L"sub\\inner\\"));
    EXPECT_TRUE(deleteFolder(root));
    EXPECT_TRUE(deleteFolder(target));
}

// Paths that name something outside the data folder, or the data folder itself: a delete or a
// copy into them is refused and the canary beside them survives. The working folder is the
// canary's folder, so that a path taken relative to it would hit the canary.
TEST(Folders, DeleteAndCopyRefuseEveryPathOutsideTheDataFolder) {
    const std::wstring canary = makeCanary(L"outside");
    const std::wstring data = dataDirectory();
    const std::wstring source = makeTree(L"hostile_src");
    wchar_t previous[MAX_PATH * 2];
    GetCurrentDirectoryW(MAX_PATH * 2, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(canary.c_str()));
    struct Case {
        const char* what;
        std::wstring path;
    };
    const Case cases[] = {
        {"empty", L""},
        {"relative", L"inner\\"},
        {"dot", L"."},
        {"drive-relative", canary.substr(0, 2) + L"inner"},
        {"the canary by its full path", canary},
        {"the data folder itself", data},
        {"the data folder without its backslash", data.substr(0, data.size() - 1)},
        {"out of the data folder by ..", data + L"NoteItems\\..\\..\\"},
        {"beside the data folder by ..", data + L"..\\..\\canary_outside\\"},
        {"forward slashes out", data + L"NoteItems/../../"},
        {"the application folder", appDirectory()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(isInsideDataFolder(c.path));
        EXPECT_FALSE(deleteFolder(c.path, true));
        EXPECT_FALSE(deleteFolder(c.path, false));
        EXPECT_FALSE(removeDataFile(c.path + L"canary.txt"));
        EXPECT_FALSE(copyFolder(source, c.path));
        EXPECT_FALSE(moveDataFolder(source, c.path));
        EXPECT_FALSE(copyPictureInto(source + L"a.txt", canary + L"canary.txt", [] { return true; }));
        EXPECT_FALSE(copyPictureInto(source + L"a.txt", L"canary.txt", [] { return true; })) << "relative";
        expectCanaryAlive(canary);
        EXPECT_EQ(GetFileAttributesW((canary + L"a.txt").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(readFile(source + L"a.txt"), "a");
    }
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(isInsideDataFolder(data + L"NoteItems\\x\\"));
    EXPECT_TRUE(isInsideDataFolder(data + L"NoteItems\\..\\Recycle\\x"));
}

// A link inside the data folder that leads outside: deleting it unlinks it at most, never enters
// it; a path through it is refused; copying does not follow it.
TEST(Folders, LinksAreNeverEnteredNorFollowed) {
    const std::wstring canary = makeCanary(L"linked");
    const std::wstring root = makeTree(L"links");
    const std::wstring link = root + L"sub\\link";
    ASSERT_TRUE(makeHostLink(canary, link)) << "could not make a host link";
    EXPECT_TRUE(isLinkPath(link + L"\\"));

    EXPECT_FALSE(isInsideDataFolder(link + L"\\inner\\")); // a path through the link
    EXPECT_FALSE(deleteFolder(link + L"\\inner\\", true));
    EXPECT_FALSE(removeDataFile(link + L"\\canary.txt"));
    EXPECT_FALSE(copyFolder(root + L"中文\\", link + L"\\copied\\"));
    expectCanaryAlive(canary);

    const std::wstring copy = dataTestFolder(L"links_copy") + L"c\\";
    EXPECT_TRUE(copyFolder(root, copy));
    EXPECT_EQ(readFile(copy + L"sub\\b.txt"), "b");
    EXPECT_EQ(GetFileAttributesW((copy + L"sub\\link").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(copyFolder(link, copy + L"from_link\\"));

    deleteFolder(link, true); // the link itself, at the top of a delete
    expectCanaryAlive(canary);
    deleteFolder(root, true); // a link met inside a delete
    expectCanaryAlive(canary);
    EXPECT_EQ(GetFileAttributesW((root + L"a.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Folders, MovingAFolderNeverMergesIntoAnExistingOne) {
    const std::wstring from = makeTree(L"move_src");
    const std::wstring taken = makeTree(L"move_taken");
    EXPECT_FALSE(moveDataFolder(from, taken));
    EXPECT_EQ(readFile(from + L"sub\\b.txt"), "b");
    EXPECT_EQ(GetFileAttributesW((taken + L"sub\\b.txt").c_str()) != INVALID_FILE_ATTRIBUTES, true);
    const std::wstring to = dataDirectory() + L"t_move_dst\\";
    removeTree(to);
    EXPECT_TRUE(moveDataFolder(from, to));
    EXPECT_EQ(readFile(to + L"中文\\d.txt"), "d");
    EXPECT_EQ(GetFileAttributesW(from.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Where the folder cannot be renamed (another volume, a file held open on Windows) it is copied:
// a copy that fails leaves the source whole and no partial target.
TEST(Folders, AMoveWhoseCopyFailsLeavesTheSourceAndNoPartialTarget) {
    const std::wstring from = makeTree(L"move_locked");
    writeFile(from + L"z_locked.txt", "locked");
    HANDLE locked =
        CreateFileW((from + L"z_locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    const std::wstring to = dataDirectory() + L"t_move_locked_dst\\";
    removeTree(to);
    bool sourceRemains = true;
    EXPECT_FALSE(moveDataFolder(from, to, &sourceRemains, false));
    CloseHandle(locked);
    EXPECT_FALSE(sourceRemains);
    EXPECT_EQ(GetFileAttributesW(to.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(readFile(from + L"a.txt"), "a");
    EXPECT_EQ(readFile(from + L"z_locked.txt"), "locked");
    EXPECT_TRUE(moveDataFolder(from, to, &sourceRemains, false));
    EXPECT_EQ(readFile(to + L"z_locked.txt"), "locked");
    EXPECT_EQ(GetFileAttributesW(from.c_str()), INVALID_FILE_ATTRIBUTES);
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
