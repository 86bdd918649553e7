#include "UniqueName.h"

#include <gtest/gtest.h>

TEST(UniqueTimeName, FormatsLocalTimeAndDiscriminator) {
    struct Case {
        int n;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {1, L"20261207043355123_01"},
        {0, L"20261207043355123_00"},
        {99, L"20261207043355123_99"},
        {100123, L"20261207043355123_100123"}, // a minimum width, not a maximum
    };
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 7;
    t.wHour = 4;
    t.wMinute = 33;
    t.wSecond = 55;
    t.wMilliseconds = 123;
    for (const Case& c : cases) EXPECT_EQ(uniqueTimeName(t, c.n), c.expected) << c.n;
}

TEST(UniqueTimeName, PadsEveryFieldOfAnEarlyTime) {
    SYSTEMTIME t{};
    t.wYear = 987;
    t.wMonth = 1;
    t.wDay = 2;
    t.wHour = 3;
    t.wMinute = 4;
    t.wSecond = 5;
    t.wMilliseconds = 6;
    EXPECT_EQ(uniqueTimeName(t, 7), L"09870102030405006_07");
}

TEST(UniqueTimeName, ClockVersionHasTheSameShape) {
    std::wstring name = uniqueTimeName(42);
    ASSERT_EQ(name.size(), 20u);
    EXPECT_EQ(name.substr(17), L"_42");
    for (size_t i = 0; i < 17; ++i) EXPECT_TRUE(iswdigit(name[i])) << i;
}
