#include "support/platform/TextConversion.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <string>

namespace zeph::platform {
namespace {

constexpr wchar_t R = 0xFFFD;

TEST(TextConversionTest, WidenDecodesEverySequenceLength) {
    EXPECT_EQ(widen("QUORVEX M410"), L"QUORVEX M410");
    EXPECT_EQ(widen("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), L"\u00E9\u20AC\U0001F600");
    EXPECT_EQ(widen("\xF4\x8F\xBF\xBF"), std::wstring(1, static_cast<wchar_t>(0x10FFFF)));
    EXPECT_EQ(widen(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(widen(""), L"");
}

// Each bad byte or maximal subpart of a cut-off sequence becomes one U+FFFD; the good text
// around it is kept.
TEST(TextConversionTest, WidenReplacesInvalidSequences) {
    EXPECT_EQ(widen("\x80"), std::wstring(1, R));
    EXPECT_EQ(widen("\xC0\xAF"), std::wstring(2, R));               // overlong '/'
    EXPECT_EQ(widen("\xE0\x80\xAF"), std::wstring(3, R));           // overlong, three bytes
    EXPECT_EQ(widen("\xF0\x80\x80\xAF"), std::wstring(4, R));       // overlong, four bytes
    EXPECT_EQ(widen("\xED\xA0\x80"), std::wstring(3, R));           // surrogate U+D800
    EXPECT_EQ(widen("\xF4\x90\x80\x80"), std::wstring(4, R));       // above U+10FFFF
    EXPECT_EQ(widen("\xF5\xFE\xFF"), std::wstring(3, R));           // never a lead byte
    EXPECT_EQ(widen("ab\xE2\x82"), (std::wstring{L'a', L'b', R}));  // cut off at the end
    EXPECT_EQ(widen("\xE2\x82"
                    "A"),
              (std::wstring{R, L'A'}));  // cut off by a new character
    EXPECT_EQ(widen("\xF0\x9F\x98"
                    "\xC3\xA9"),
              (std::wstring{R, 0xE9}));
    // The example of the Unicode standard for maximal subparts.
    EXPECT_EQ(widen("\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64"),
              (std::wstring{L'a', R, R, R, L'b', R, L'c', R, R, L'd'}));
}

TEST(TextConversionTest, NarrowEncodesAndReplacesUnencodable) {
    EXPECT_EQ(narrow(L"COM7"), "COM7");
    EXPECT_EQ(narrow(L"\u00E9\u20AC\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(narrow(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
    const std::wstring bad{L'x',
                           static_cast<wchar_t>(0xD800),
                           static_cast<wchar_t>(0xDFFF),
                           static_cast<wchar_t>(0x110000),
                           static_cast<wchar_t>(-1),
                           L'y'};
    EXPECT_EQ(narrow(bad), "x????y");
}

TEST(TextConversionTest, EveryScalarValueRoundTrips) {
    std::wstring all;
    for (wchar_t code = 0; code <= 0x10FFFF; ++code) {
        if (code < 0xD800 || code > 0xDFFF) {
            all += code;
        }
    }
    EXPECT_EQ(widen(narrow(all)), all);
}

// Any byte soup widens to text that narrows and widens again unchanged, and valid UTF-8
// survives a round trip byte for byte.
TEST(TextConversionTest, ArbitraryBytesStabiliseAfterOneConversion) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        for (int i = 0; i < 64; ++i) {
            bytes += static_cast<char>(byte(random));
        }
        const std::wstring once = widen(bytes);
        const std::string encoded = narrow(once);
        EXPECT_EQ(widen(encoded), once);
        EXPECT_EQ(narrow(widen(encoded)), encoded);
    }
}

// A path is bytes: whatever it holds comes back byte for byte, valid UTF-8 reads as text, and a
// byte that is not UTF-8 is shown as '?' rather than turned into some other name.
TEST(TextConversionTest, PathsKeepEveryByte) {
    for (int value = 0; value < 256; ++value) {
        const std::string one(1, static_cast<char>(value));
        EXPECT_EQ(narrowPath(widenPath(one)), one) << value;
    }
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        for (int i = 0; i < 64; ++i) {
            bytes += static_cast<char>(byte(random));
        }
        EXPECT_EQ(narrowPath(widenPath(bytes)), bytes);
    }
    const std::string text = "/dev/serial/by-id/caf\xC3\xA9-\xF0\x9F\x98\x80";
    EXPECT_EQ(widenPath(text), widen(text));
    EXPECT_EQ(narrowPath(widen(text)), text);

    EXPECT_EQ(widenPath("/dev/x\xFF"), L"/dev/x\xDCFF");
    EXPECT_EQ(widenPath("\xE2\x82/"), L"\xDCE2\xDC82/") << "each byte of a cut-off sequence";
    EXPECT_EQ(narrow(widenPath("/dev/x\xFF")), "/dev/x?");
    EXPECT_EQ(narrowPath(L"a\xDC41\xD800"), "a??") << "only escapes of non-ASCII bytes turn back";
}

TEST(TextConversionTest, IndependentOfTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(widen("\xC3\xA4"), L"\u00E4");
    EXPECT_EQ(narrow(L"\u00E4"), "\xC3\xA4");
    std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace zeph::platform
