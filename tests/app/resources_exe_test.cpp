// TavNote.exe carries the application icon, the version resource and its manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const wchar_t* const kExe = TAVNOTE_EXE_PATH;

class ExeResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(kExe, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "cannot open TavNote.exe as a resource file";
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    std::string resourceBytes(LPCWSTR type, LPCWSTR name) const {
        HRSRC info = FindResourceW(module_, name, type);
        if (!info) return {};
        HGLOBAL data = LoadResource(module_, info);
        const char* bytes = static_cast<const char*>(LockResource(data));
        return bytes ? std::string(bytes, SizeofResource(module_, info)) : std::string();
    }

    HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved, type, count;
};
struct IconGroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(ExeResources, IconGroupHoldsEveryShellSize) {
    const std::string group = resourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), sizeof(IconGroupHeader));
    IconGroupHeader header;
    memcpy(&header, group.data(), sizeof header);
    ASSERT_EQ(group.size(), sizeof header + header.count * sizeof(IconGroupEntry));
    std::vector<int> widths;
    for (WORD i = 0; i < header.count; ++i) {
        IconGroupEntry entry;
        memcpy(&entry, group.data() + sizeof header + i * sizeof entry, sizeof entry);
        widths.push_back(entry.width == 0 ? 256 : entry.width);
        EXPECT_FALSE(resourceBytes(RT_ICON, MAKEINTRESOURCEW(entry.id)).empty())
            << "icon image " << entry.id << " of the group is missing";
    }
    EXPECT_EQ(widths, (std::vector<int>{16, 24, 32, 48, 256}));
}

TEST_F(ExeResources, VersionIsOneTwoTwoNamedTavNote) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kExe, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(kExe, 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(2, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 2));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(2, 1));

    struct Case {
        const wchar_t* key;
        const wchar_t* value;
    };
    const Case cases[] = {
        {L"ProductName", L"TavNote"},
        {L"ProductVersion", L"1.2.2"},
        {L"FileVersion", L"1.2.2"},
        {L"OriginalFilename", L"TavNote.exe"},
        {L"FileDescription", L"TavNote 桌面便签"},
    };
    for (const Case& c : cases) {
        wchar_t* text = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + c.key;
        ASSERT_TRUE(VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length))
            << "no " << testing::PrintToString(std::wstring(c.key));
        EXPECT_EQ(std::wstring(text), c.value);
    }
}

TEST_F(ExeResources, ManifestAsksForCommonControlsSixAsInvoker) {
    const std::string manifest = resourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    const char* const needles[] = {
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "level=\"asInvoker\"",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // Windows 10 and 11
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // Windows 7
    };
    for (const char* needle : needles) EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
}

TEST_F(ExeResources, HostDialogStaysInPlace) {
    EXPECT_FALSE(resourceBytes(RT_DIALOG, MAKEINTRESOURCEW(102)).empty());
}

} // namespace
