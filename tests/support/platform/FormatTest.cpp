#include "support/platform/Format.h"
#include "tests/helpers/CommaDecimalLocale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace zeph::platform {
namespace {

// Known answers for the conversions as the program's own log lines and captions use them.
TEST(FormatTest, ProgramFormatsRenderAsOnWindows) {
    EXPECT_EQ(formatMessage(L"Attempting to open port [COM%d].", 7), L"Attempting to open port [COM7].");
    EXPECT_EQ(formatMessage(L"Working Folder         : %hs", "Run_\xC3\xA4"),
              L"Working Folder         : Run_\u00E4");
    EXPECT_EQ(formatMessage(L"Outgoing message [%s] [%hs] [%hs]", L"Start Streaming", "START", "0x53 0x54"),
              L"Outgoing message [Start Streaming] [START] [0x53 0x54]");
    EXPECT_EQ(formatMessage(L" 0x%.2X", static_cast<unsigned char>(0x0A)), L" 0x0A");
    EXPECT_EQ(formatMessage(L"0x%.2X", static_cast<unsigned char>(0xFF)), L"0xFF");
    EXPECT_EQ(formatMessage(L"Event mask: 0x%.8X.", 0x1234u), L"Event mask: 0x00001234.");
    EXPECT_EQ(
        formatMessage(L"COM Error 0x%08x: %s", static_cast<std::int32_t>(0x80004005), L"Unspecified error"),
        L"COM Error 0x80004005: Unspecified error");
    EXPECT_EQ(formatMessage(L"Successfully started the thread [0x%X].", 0x1A2Bu),
              L"Successfully started the thread [0x1A2B].");
    EXPECT_EQ(formatMessage(L"Pig passage detected at %02d:%02d:%02d.%03d, Latitude = %f, Longitude = %f, "
                            L"Elevation = %f.\n",
                            9, 5, 3, 7, 51.5, -0.125, 12.0),
              L"Pig passage detected at 09:05:03.007, Latitude = 51.500000, Longitude = -0.125000, "
              L"Elevation = 12.000000.\n");
    EXPECT_EQ(formatMessage(L"%04d %04d %04d %04d", -5, 12, 1920, 10080), L"-005 0012 1920 10080");
    EXPECT_EQ(formatMessage(L".%03d|%d|", 7, 4096), L".007|4096|");
    EXPECT_EQ(formatMessage(L"%s failed (WAIT_TIMEOUT) [timeout = %lu ms].", L"Serial::write", 4294967295u),
              L"Serial::write failed (WAIT_TIMEOUT) [timeout = 4294967295 ms].");
    EXPECT_EQ(formatMessage(L"QUORVEX is recording raw channel[#%i].\n", 9),
              L"QUORVEX is recording raw channel[#9].\n");
    EXPECT_EQ(formatMessage(L"SELECT * FROM Win32_SerialPort WHERE PNPDeviceID LIKE '%%%s%%'", L"BTHENUM"),
              L"SELECT * FROM Win32_SerialPort WHERE PNPDeviceID LIKE '%BTHENUM%'");
    EXPECT_EQ(formatMessage(L"ThreadImpl<%s>::%s", L"SerialReadThread", L"run"),
              L"ThreadImpl<SerialReadThread>::run");
    EXPECT_EQ(formatMessage(L"Remebered                     : %s (%d)", L"Yes", 1),
              L"Remebered                     : Yes (1)");
    EXPECT_EQ(formatMessage(L"Minimum supported version %d.00%d", 1, 4), L"Minimum supported version 1.004");
    EXPECT_EQ(formatMessage(L"%3.2f|%.3d|%u", 3.14159, 7, 42u), L"3.14|007|42");
    EXPECT_EQ(formatMessage(L"75%% remaining"), L"75% remaining");
}

// A DWORD such as WAIT_FAILED logged with "[%d]" reads -1 on Windows, and -1 as an int reads
// as its 32-bit pattern under the unsigned conversions.
TEST(FormatTest, IntegersFollowTheWindowsPromotion) {
    EXPECT_EQ(formatMessage(L"[%d]", 0xFFFFFFFFu), L"[-1]");
    EXPECT_EQ(formatMessage(L"%X", -1), L"FFFFFFFF");
    EXPECT_EQ(formatMessage(L"%u", -1), L"4294967295");
    EXPECT_EQ(formatMessage(L"%x", static_cast<short>(-1)), L"ffffffff");
    EXPECT_EQ(formatMessage(L"%.2X", static_cast<signed char>(-1)), L"FFFFFFFF");
    EXPECT_EQ(formatMessage(L"%hX|%hhx|%hd", -1, -1, 70000), L"FFFF|ff|4464");
    EXPECT_EQ(formatMessage(L"%hhu", 300), L"44");
    EXPECT_EQ(formatMessage(L"%d", INT_MIN), L"-2147483648");
    EXPECT_EQ(formatMessage(L"%o|%#o|%#o", 8, 8, 0), L"10|010|0");
    EXPECT_EQ(formatMessage(L"%d|%x", true, L'A'), L"1|41");
    enum class Gain : std::uint8_t { High = 3 };
    EXPECT_EQ(formatMessage(L"%d", Gain::High), L"3");
}

// 64-bit values (Linux's long, size_t, int64_t) under a conversion without a 64-bit prefix keep
// their value instead of being cut to 32 bits.
TEST(FormatTest, SixtyFourBitArgumentsKeepTheirValue) {
    EXPECT_EQ(formatMessage(L"%d", std::int64_t{-5000000000}), L"-5000000000");
    EXPECT_EQ(formatMessage(L"%d", std::size_t{5000000000}), L"5000000000");
    EXPECT_EQ(formatMessage(L"%d", UINT64_MAX), L"18446744073709551615");
    EXPECT_EQ(formatMessage(L"%ld|%lu", -1L, 1UL << 40), L"-1|1099511627776");
    EXPECT_EQ(formatMessage(L"%X", std::int64_t{-1}), L"FFFFFFFFFFFFFFFF");
    EXPECT_EQ(formatMessage(L"%lld|%I64d|%I64u|%zu|%Iu", INT64_MIN, std::int64_t{1} << 40, UINT64_MAX,
                            std::size_t{12}, std::size_t{13}),
              L"-9223372036854775808|1099511627776|18446744073709551615|12|13");
    EXPECT_EQ(formatMessage(L"%lld|%llx", -1, -1), L"-1|ffffffffffffffff");
    EXPECT_EQ(formatMessage(L"%I32d", 5), L"5");
}

TEST(FormatTest, IntegerFlagsWidthAndPrecision) {
    EXPECT_EQ(formatMessage(L"%5d|%-5d|%05d|%-05d|", 42, 42, -42, -42), L"   42|42   |-0042|-42  |");
    EXPECT_EQ(formatMessage(L"%+d|% d|%+d|% d|%+u", 5, 5, -5, -5, 5u), L"+5| 5|-5|-5|5");
    EXPECT_EQ(formatMessage(L"%08.3d|%.0d|%.0d|%5.0d|", 42, 0, 3, 0), L"     042||3|     |");
    EXPECT_EQ(formatMessage(L"%#x|%#X|%#08x|%#x", 255, 255, 255, 0), L"0xff|0XFF|0x0000ff|0");
    EXPECT_EQ(formatMessage(L"%.10d", -42), L"-0000000042");
}

TEST(FormatTest, CharactersTakeWideCharsAndCodes) {
    EXPECT_EQ(formatMessage(L"%c%c%c", L'A', 66, 0x1F600), L"AB\U0001F600");
    EXPECT_EQ(formatMessage(L"%hc%C%lc", 'a', 'b', L'c'), L"abc");
    EXPECT_EQ(formatMessage(L"%3c|%-3c|%03c", L'x', L'y', L'z'), L"  x|y  |00z");
    // No Unicode scalar value, or a lone byte above ASCII: the replacement character.
    EXPECT_EQ(formatMessage(L"%c%c%hc%c", 0xD800, 0x110000, 0xE9, '\xE9'), L"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(formatMessage(L"[%c]", 0), L"[]");
}

TEST(FormatTest, TextsOfEitherWidth) {
    const std::wstring wide = L"wide";
    const std::string narrow = "narrow";
    EXPECT_EQ(formatMessage(L"%s %ls %ws %hs %S", wide, L"w2", std::wstring_view(L"w3"), narrow, "n2"),
              L"wide w2 w3 narrow n2");
    // The argument knows its encoding: a narrow text under %s still reads right.
    EXPECT_EQ(formatMessage(L"%s|%hs", narrow, wide), L"narrow|wide");
    EXPECT_EQ(formatMessage(L"[%.3s][%8s][%-8s][%05s]", L"abcdef", L"ab", L"ab", L"ab"),
              L"[abc][      ab][ab      ][000ab]");
    EXPECT_EQ(formatMessage(L"[%.2hs]", "\xC3\xA4\xC3\xB6\xC3\xBC"), L"[\u00E4\u00F6]");
    EXPECT_EQ(formatMessage(L"%hs", "bad \xFF byte"), L"bad \uFFFD byte");
    EXPECT_EQ(formatMessage(L"\u00DCber %s", L"\U0001F600"), L"\u00DCber \U0001F600");
}

TEST(FormatTest, NullAndUnterminatedTextsAreSafe) {
    const wchar_t* noWide = nullptr;
    const char* noNarrow = nullptr;
    EXPECT_EQ(formatMessage(L"%s|%hs|%s", noWide, noNarrow, nullptr), L"(null)|(null)|(null)");
    // A fixed field of the unit's record with no terminator is read to its end, not beyond.
    struct Record {
        char name[4];
        char guard[4];
    } record{{'M', '4', '1', '0'}, {'X', 'X', 'X', '\0'}};
    EXPECT_EQ(formatMessage(L"Model : %hs", record.name), L"Model : M410");
    const char padded[8] = {'A', 'B', '\0', 'C'};
    EXPECT_EQ(formatMessage(L"[%hs]", padded), L"[AB]");
    // A text ends at its first NUL, as the C string Windows reads.
    EXPECT_EQ(formatMessage(L"[%hs][%s]", std::string("ab\0cd", 5), std::wstring(L"x\0y", 3)), L"[ab][x]");
}

// Text from the unit is only ever an argument: conversions inside it are plain text.
TEST(FormatTest, HostileArgumentsAreJustText) {
    EXPECT_EQ(formatMessage(L"Data written : %hs", "%s%n%d%p%%"), L"Data written : %s%n%d%p%%");
    EXPECT_EQ(formatMessage(L"%s", L"%*.*s %1$s"), L"%*.*s %1$s");
}

TEST(FormatTest, PointersAsOnSixtyFourBitWindows) {
    EXPECT_EQ(formatMessage(L"%p", reinterpret_cast<const void*>(0x1234)), L"0000000000001234");
    EXPECT_EQ(formatMessage(L"%p|%p", nullptr, 0xABCu), L"0000000000000000|0000000000000ABC");
    EXPECT_EQ(formatMessage(L"[%18p][%-18p]", nullptr, nullptr), L"[  0000000000000000][0000000000000000  ]");
    EXPECT_EQ(formatMessage(L"[0x%X]", reinterpret_cast<const void*>(0xBEEF)), L"[0xBEEF]");
}

TEST(FormatTest, FloatingConversions) {
    EXPECT_EQ(formatMessage(L"%f|%.2f|%.0f|%.0f", 1.5, 2.345, 2.5, 3.5), L"1.500000|2.35|2|4");
    EXPECT_EQ(formatMessage(L"%e|%E|%.2e", 12345.678, 0.00012, 1.0), L"1.234568e+04|1.200000E-04|1.00e+00");
    EXPECT_EQ(formatMessage(L"%g|%g|%G|%#g", 0.0001, 1e20, 1e-5, 1.0), L"0.0001|1e+20|1E-05|1.00000");
    EXPECT_EQ(formatMessage(L"[%10.3f][%-10.1f][%+f][% .1f][%010.2f]", 3.14159, 2.0, 1.0, 1.0, -3.14159),
              L"[     3.142][2.0       ][+1.000000][ 1.0][-000003.14]");
    EXPECT_EQ(formatMessage(L"%f|%Lf", 0.5f, 0.25L), L"0.500000|0.250000");
    EXPECT_EQ(formatMessage(L"%a", 1.0), L"0x1.0000000000000p+0");
}

// Qt sets the operator's locale at start-up; a log line still reads as machines read it.
TEST(FormatTest, FloatingConversionsIgnoreTheUsersLocale) {
    const quorvex::test::CommaDecimalLocale german;
    ASSERT_TRUE(german.active()) << german.failure();
    EXPECT_EQ(formatMessage(L"%f, %.2e, %g, %d", 51.5, 1234.5, 0.25, 1000),
              L"51.500000, 1.23e+03, 0.25, 1000");
}

TEST(FormatTest, StarTakesWidthAndPrecisionArguments) {
    EXPECT_EQ(formatMessage(L"[%*d][%-*d][%*d]", 5, 42, 5, 42, -5, 42), L"[   42][42   ][42   ]");
    EXPECT_EQ(formatMessage(L"[%.*f][%.*s][%.*d][%*.*f]", 2, 3.14159, 2, L"abc", -1, 5, 8, 1, 2.25),
              L"[3.14][ab][5][     2.2]");
    EXPECT_EQ(formatMessage(L"[%*d]", L"x", 5), L"[%!(BADWIDTH)5]");
    EXPECT_EQ(formatMessage(L"[%.*d]", 1.5, 5), L"[%!(BADPREC)5]");
    EXPECT_EQ(formatMessage(L"[%*d]"), L"[%!(BADWIDTH)%!*d(MISSING)]");
}

TEST(FormatTest, WrongKindsRenderAMarker) {
    EXPECT_EQ(formatMessage(L"Queue depth %d.", L"four"), L"Queue depth %!d(wstring=four).");
    EXPECT_EQ(formatMessage(L"[%08x]", "ab"), L"[%!08x(string=ab)]");
    EXPECT_EQ(formatMessage(L"%s", 5), L"%!s(int=5)");
    EXPECT_EQ(formatMessage(L"%hs", 5u), L"%!hs(uint=5)");
    EXPECT_EQ(formatMessage(L"%f", 5), L"%!f(int=5)");
    EXPECT_EQ(formatMessage(L"%d", 1.5), L"%!d(double=1.5)");
    EXPECT_EQ(formatMessage(L"%c", L"x"), L"%!c(wstring=x)");
    EXPECT_EQ(formatMessage(L"%s", L'x'), L"%!s(wchar=x)");
    EXPECT_EQ(formatMessage(L"%s", reinterpret_cast<const void*>(0x10)), L"%!s(pointer=0x10)");
    EXPECT_EQ(formatMessage(L"%p", "text"), L"%!p(string=text)");
    // A wrong argument is still consumed, so the ones after it stay in place.
    EXPECT_EQ(formatMessage(L"%d %s", L"a", L"b"), L"%!d(wstring=a) b");
}

TEST(FormatTest, MissingArgumentsMarkedExtrasIgnored) {
    EXPECT_EQ(formatMessage(L"Checking frame count [%d] [%d].", 3),
              L"Checking frame count [3] [%!d(MISSING)].");
    EXPECT_EQ(formatMessage(L"%s"), L"%!s(MISSING)");
    EXPECT_EQ(formatMessage(L"done", 1, L"two", 3.0), L"done");
    EXPECT_EQ(formatArgs(L"[%d]", {}), L"[%!d(MISSING)]");
}

TEST(FormatTest, UnknownAndCutOffConversionsRenderLiterally) {
    EXPECT_EQ(formatMessage(L"%n %d", 5), L"%n 5");
    EXPECT_EQ(formatMessage(L"%y|%Z|%I6d|%q", 1), L"%y|%Z|%I6d|%q");
    EXPECT_EQ(formatMessage(L"100%"), L"100%");
    EXPECT_EQ(formatMessage(L"abc%-5"), L"abc%-5");
    EXPECT_EQ(formatMessage(L"%-5.3l"), L"%-5.3l");
    EXPECT_EQ(formatMessage(L"%5%d", 7), L"%57");
    // System texts carry Windows message inserts; as a format they stay as written.
    EXPECT_EQ(formatMessage(L"%1 is not a valid Win32 application."),
              L"%1 is not a valid Win32 application.");
    EXPECT_EQ(formatMessage(L""), L"");
}

TEST(FormatTest, HugeWidthsAreCapped) {
    EXPECT_EQ(formatMessage(L"%99999999999999999999d", 1).size(),
              static_cast<std::size_t>(kFormatWidthLimit));
    EXPECT_EQ(formatMessage(L"%*d", INT_MIN, 1).size(), static_cast<std::size_t>(kFormatWidthLimit));
    EXPECT_EQ(formatMessage(L"%*d", UINT64_MAX, 1).size(), static_cast<std::size_t>(kFormatWidthLimit));
    EXPECT_EQ(formatMessage(L"%.*f", INT64_MAX, 1.0).size(), static_cast<std::size_t>(kFormatWidthLimit) + 2);
}

}  // namespace
}  // namespace zeph::platform
