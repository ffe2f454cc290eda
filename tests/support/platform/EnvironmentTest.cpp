#include "support/platform/Environment.h"
#include "support/platform/TextConversion.h"

#include "tests/support/platform/ScopedVariable.h"

#include <gtest/gtest.h>

namespace zeph::platform {
namespace {

TEST(EnvironmentTest, ExpandsKnownNamesAndKeepsTheRest) {
    ScopedVariable folder("QX_FOLDER", "/data/run");
    ScopedVariable unset("QX_UNSET", nullptr);
    EXPECT_EQ(expandEnvironmentStrings(L"%QX_FOLDER%/log"), L"/data/run/log");
    EXPECT_EQ(expandEnvironmentStrings(L"[%QX_FOLDER%][%QX_FOLDER%]"), L"[/data/run][/data/run]");
    EXPECT_EQ(expandEnvironmentStrings(L"%QX_UNSET%/log"), L"%QX_UNSET%/log");
    EXPECT_EQ(expandEnvironmentStrings(L"no names"), L"no names");
    EXPECT_EQ(expandEnvironmentStrings(L""), L"");
}

// As on Windows: "%%" and a lone '%' stay, and an unknown name is passed over whole, so its
// closing '%' does not open the next one.
TEST(EnvironmentTest, PercentSignsAsOnWindows) {
    ScopedVariable folder("QX_FOLDER", "F");
    ScopedVariable unset("QX_UNSET", nullptr);
    EXPECT_EQ(expandEnvironmentStrings(L"100%% done"), L"100%% done");
    EXPECT_EQ(expandEnvironmentStrings(L"75% remaining"), L"75% remaining");
    EXPECT_EQ(expandEnvironmentStrings(L"%"), L"%");
    EXPECT_EQ(expandEnvironmentStrings(L"50%% of %QX_FOLDER%"), L"50%% of F");
    EXPECT_EQ(expandEnvironmentStrings(L"%QX_UNSET%QX_FOLDER%"), L"%QX_UNSET%QX_FOLDER%");
    EXPECT_EQ(expandEnvironmentStrings(L"%QX_FOLDER%%QX_FOLDER%"), L"FF");
    EXPECT_EQ(expandEnvironmentStrings(L"a%QX_FOLDER"), L"a%QX_FOLDER");
}

TEST(EnvironmentTest, NamesAreCaseSensitiveAndValuesAreNotReExpanded) {
    ScopedVariable folder("QX_FOLDER", "F");
    ScopedVariable lower("qx_folder", nullptr);
    ScopedVariable nested("QX_NESTED", "%QX_FOLDER%");
    ScopedVariable utf8("QX_UTF8", "/home/j\xC3\xB6rg");
    ScopedVariable empty("QX_EMPTY", "");
    EXPECT_EQ(expandEnvironmentStrings(L"%qx_folder%"), L"%qx_folder%");
    EXPECT_EQ(expandEnvironmentStrings(L"%QX_NESTED%"), L"%QX_FOLDER%");
    EXPECT_EQ(expandEnvironmentStrings(L"%QX_UTF8%"), L"/home/j\u00F6rg");
    EXPECT_EQ(expandEnvironmentStrings(L"%QX_EMPTY%"), L"%QX_EMPTY%");
    EXPECT_EQ(expandEnvironmentStrings(L"%QX_FOLDER=x%"), L"%QX_FOLDER=x%");
}

TEST(EnvironmentTest, TempFallsBackToTmpdirThenSlashTmp) {
    ScopedVariable temp("TEMP", "/var/temp");
    ScopedVariable tmp("TMP", "/var/tmp2");
    ScopedVariable tmpdir("TMPDIR", "/var/tmpdir");
    EXPECT_EQ(expandEnvironmentStrings(L"%TEMP%|%TMP%|%temp%"), L"/var/temp|/var/tmp2|/var/temp");
    {
        ScopedVariable noTemp("TEMP", nullptr);
        ScopedVariable noTmp("TMP", "");
        EXPECT_EQ(expandEnvironmentStrings(L"%TEMP%|%TMP%|%Temp%"), L"/var/tmpdir|/var/tmpdir|/var/tmpdir");
        ScopedVariable noTmpdir("TMPDIR", nullptr);
        EXPECT_EQ(expandEnvironmentStrings(L"%TEMP%\\QUORVEX_DEBUG-"), L"/tmp\\QUORVEX_DEBUG-");
        EXPECT_EQ(expandEnvironmentStrings(L"%TMP%"), L"/tmp");
    }
    EXPECT_EQ(expandEnvironmentStrings(L"%TEMP%"), L"/var/temp");
}

TEST(EnvironmentTest, AFolderThatIsNotUtf8IsKeptByteForByte) {
    ScopedVariable temp("TEMP", "/var/t\xFFmp");
    EXPECT_EQ(narrowPath(expandEnvironmentStrings(L"%TEMP%/QUORVEX_DEBUG-")), "/var/t\xFFmp/QUORVEX_DEBUG-");
}

TEST(EnvironmentTest, JoinPathPutsExactlyOneSlashBetween) {
    EXPECT_EQ(joinPath(L"/tmp", L"QUORVEX_DEBUG-1.log"), L"/tmp/QUORVEX_DEBUG-1.log");
    EXPECT_EQ(joinPath(L"/tmp/", L"a.log"), L"/tmp/a.log");
    EXPECT_EQ(joinPath(L"/tmp//", L"//a.log"), L"/tmp/a.log");
    EXPECT_EQ(joinPath(L"/", L"a.log"), L"/a.log");
    EXPECT_EQ(joinPath(L"rel", L"sub/a.log"), L"rel/sub/a.log");
    EXPECT_EQ(joinPath(L"", L"a.log"), L"a.log");
    EXPECT_EQ(joinPath(L"/tmp", L""), L"/tmp/");
}

}  // namespace
}  // namespace zeph::platform
