// Start with Windows: the state read from the Run keys (a value left by a moved program is
// rewritten where it was found), the machine key tried first and the user key after a refusal,
// and switching off clearing both. Everything under a scratch key of HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <optional>

#include "ManagerAutorun.h"
#include "autorun_support.h"

namespace {

const std::wstring kExe = L"C:\\Program Files\\TavNote\\TavNote.exe";
const std::wstring kQuoted = L"\"" + kExe + L"\"";

// The stored text of a REG_SZ value with its terminating zero, or "<absent>" / "<type n>".
std::wstring shown(const StoredAutorunValue& v) {
    if (!v.present) return L"<absent>";
    if (v.type != REG_SZ) return L"<type " + std::to_wstring(v.type) + L">";
    std::wstring raw = v.rawText();
    if (raw.empty() || raw.back() != L'\0') return L"<no zero> " + raw;
    raw.pop_back();
    return raw;
}

class AutorunTest : public ::testing::Test {
protected:
    const AutorunPlace& machine() const { return scratch.registry().machine; }
    const AutorunPlace& user() const { return scratch.registry().user; }
    std::wstring machineValue() const { return shown(ScratchAutorunRegistry::read(machine())); }
    std::wstring userValue() const { return shown(ScratchAutorunRegistry::read(user())); }

    ScratchAutorunRegistry scratch;
};

TEST(AutorunText, IsThePathInQuotesOrNothingForAPathThatCannotBeQuoted) {
    EXPECT_EQ(autorunValueText(kExe), kQuoted);
    EXPECT_EQ(autorunValueText(L"D:\\便签\\TavNote.exe"), L"\"D:\\便签\\TavNote.exe\"");
    EXPECT_EQ(autorunValueText(L""), L"");
    EXPECT_EQ(autorunValueText(L"C:\\a\" /evil \"b.exe"), L"");
    EXPECT_EQ(autorunValueText(std::wstring(L"C:\\a\0b.exe", 10)), L"");
}

struct ReadCase {
    const char* name;
    std::optional<std::wstring> machine; // the value before, absent when empty
    std::optional<std::wstring> user;
    DWORD type;
    bool on;
    std::wstring machineAfter;
    std::wstring userAfter;
};

const std::wstring kAbsent = L"<absent>";
const std::wstring kOther = L"\"D:\\Old place\\TavNote.exe\"";
// Long and made of near-matches of the path before the real one at its end.
const std::wstring kLongRepeats = [] {
    std::wstring s;
    while (s.size() < 30000) s += kQuoted.substr(0, kQuoted.size() - 2) + L" ";
    return s + kQuoted;
}();

const ReadCase kReadCases[] = {
    {"nothing stored is off", std::nullopt, std::nullopt, REG_SZ, false, kAbsent, kAbsent},
    {"the right text under machine is on, unchanged", kQuoted, std::nullopt, REG_SZ, true, kQuoted, kAbsent},
    {"the right text under user is on, unchanged", std::nullopt, kQuoted, REG_SZ, true, kAbsent, kQuoted},
    {"letter case of the path is ignored", L"\"c:\\PROGRAM FILES\\tavnote\\TavNote.EXE\"", std::nullopt,
     REG_SZ, true, L"\"c:\\PROGRAM FILES\\tavnote\\TavNote.EXE\"", kAbsent},
    {"arguments after the quoted path are kept", kQuoted + L" /quiet", std::nullopt, REG_SZ, true,
     kQuoted + L" /quiet", kAbsent},
    {"a long value holding the path at its end is kept", kLongRepeats, std::nullopt, REG_SZ, true,
     kLongRepeats, kAbsent},
    {"another path under machine is rewritten there", kOther, std::nullopt, REG_SZ, true, kQuoted, kAbsent},
    {"another path under user is rewritten there", std::nullopt, kOther, REG_SZ, true, kAbsent, kQuoted},
    {"both places with other paths are both rewritten", kOther, kOther, REG_SZ, true, kQuoted, kQuoted},
    {"the path without quotes is rewritten", kExe, std::nullopt, REG_SZ, true, kQuoted, kAbsent},
    {"an empty text is rewritten", L"", std::nullopt, REG_SZ, true, kQuoted, kAbsent},
    {"an expandable string with the path is kept", kQuoted, std::nullopt, REG_EXPAND_SZ, true, L"<type 2>",
     kAbsent},
    {"a value of another type is rewritten as a string", L"\x0001\x0000", std::nullopt, REG_BINARY, true,
     kQuoted, kAbsent},
};

TEST(AutorunState, IsReadFromBothPlacesAndMovedPathsAreRewritten) {
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.name);
        ScratchAutorunRegistry local;
        const AutorunRegistry& r = local.registry();
        if (c.machine) {
            ASSERT_TRUE(ScratchAutorunRegistry::put(r.machine, *c.machine, c.type));
        }
        if (c.user) {
            ASSERT_TRUE(ScratchAutorunRegistry::put(r.user, *c.user, c.type));
        }
        EXPECT_EQ(autorunEnabled(r, kExe), c.on);
        EXPECT_EQ(shown(ScratchAutorunRegistry::read(r.machine)), c.machineAfter);
        EXPECT_EQ(shown(ScratchAutorunRegistry::read(r.user)), c.userAfter);
    }
}

TEST_F(AutorunTest, WithoutAPathAValueIsReadButNeverRewritten) {
    ASSERT_TRUE(ScratchAutorunRegistry::put(machine(), kOther));
    for (const std::wstring& exe : {std::wstring(), std::wstring(L"C:\\x\".exe")}) {
        EXPECT_TRUE(autorunEnabled(scratch.registry(), exe));
        EXPECT_EQ(machineValue(), kOther);
        // Nothing to write: switching on changes nothing and reports what is there.
        EXPECT_TRUE(setAutorun(scratch.registry(), exe, true));
        EXPECT_EQ(machineValue(), kOther);
        EXPECT_EQ(userValue(), kAbsent);
    }
    ASSERT_FALSE(setAutorun(scratch.registry(), L"", false));
    EXPECT_FALSE(setAutorun(scratch.registry(), L"", true));
    EXPECT_EQ(machineValue(), kAbsent);
    EXPECT_EQ(userValue(), kAbsent);
}

TEST_F(AutorunTest, OnWritesTheQuotedPathUnderMachineOnlyAndOffRemovesItFromBoth) {
    // Other programs' values in the same keys survive.
    ASSERT_TRUE(ScratchAutorunRegistry::put(machine(), L"other_program", L"\"C:\\other.exe\""));
    ASSERT_TRUE(ScratchAutorunRegistry::put(user(), L"other_program", L"\"C:\\other.exe\""));

    EXPECT_TRUE(setAutorun(scratch.registry(), kExe, true));
    const StoredAutorunValue written = ScratchAutorunRegistry::read(machine());
    EXPECT_EQ(written.type, DWORD(REG_SZ));
    EXPECT_EQ(written.bytes.size(), (kQuoted.size() + 1) * sizeof(wchar_t)) << "the zero is counted";
    EXPECT_EQ(shown(written), kQuoted);
    EXPECT_EQ(userValue(), kAbsent);

    ASSERT_TRUE(ScratchAutorunRegistry::put(user(), kQuoted));
    EXPECT_FALSE(setAutorun(scratch.registry(), kExe, false));
    EXPECT_EQ(machineValue(), kAbsent);
    EXPECT_EQ(userValue(), kAbsent);
    EXPECT_FALSE(autorunEnabled(scratch.registry(), kExe));
    EXPECT_EQ(shown(ScratchAutorunRegistry::read(machine(), L"other_program")), L"\"C:\\other.exe\"");
    EXPECT_EQ(shown(ScratchAutorunRegistry::read(user(), L"other_program")), L"\"C:\\other.exe\"");

    // Off when nothing is stored stays off; on again writes the quotes again.
    EXPECT_FALSE(setAutorun(scratch.registry(), kExe, false));
    EXPECT_TRUE(setAutorun(scratch.registry(), kExe, true));
    EXPECT_EQ(machineValue(), kQuoted);
}

// A machine place that cannot be written stands for a machine key refused without administrator
// rights: the value goes under the user's key.
TEST_F(AutorunTest, WhenMachineRefusesTheValueGoesUnderUser) {
    HKEY open = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (scratch.base() + L"\\Open").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &open, nullptr),
              ERROR_SUCCESS);
    struct Refusing {
        const char* name;
        AutorunPlace machine;
    };
    const Refusing cases[] = {
        {"a root that is no key", {reinterpret_cast<HKEY>(ULONG_PTR(0x80001234)), kAutorunRunKey}},
        {"no root", {nullptr, kAutorunRunKey}},
        // An empty key would name the root itself: it must not receive the value.
        {"an empty key", {open, L""}},
    };
    for (const Refusing& c : cases) {
        SCOPED_TRACE(c.name);
        const AutorunRegistry registry{c.machine, user()};
        EXPECT_TRUE(setAutorun(registry, kExe, true));
        EXPECT_EQ(userValue(), kQuoted);
        EXPECT_TRUE(autorunEnabled(registry, kExe));
        EXPECT_FALSE(setAutorun(registry, kExe, false));
        EXPECT_EQ(userValue(), kAbsent);
        EXPECT_EQ(shown(ScratchAutorunRegistry::read(open, L"", kAutorunValueName)), kAbsent);
    }
    RegCloseKey(open);
}

} // namespace
