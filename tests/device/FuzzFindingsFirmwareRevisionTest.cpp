// Revision texts the fuzzer found read wrongly, kept as they were found.

#include "device/FirmwareRevisionText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "0." and 341 zeros before "740861": a number too small for a double, where the C++ library
// reports out of range as it does for one too large.
std::string underflowingRevision() {
    return "0." + std::string(341, '0') + "740861";
}

}  // namespace

TEST(FuzzFindingsFirmwareRevision, ANumberTooSmallForADoubleReadsAsZeroWithoutARoundingError) {
    for (const std::string& text :
         {underflowingRevision(), "V" + underflowingRevision() + "b", "000." + std::string(400, '0') + "1",
          "0." + std::string(330, '0') + "5"}) {
        const FirmwareRevisionParse parsed = parseFirmwareRevision(text);
        EXPECT_EQ((FirmwareRevision{0, 0}), parsed.words) << text;
        EXPECT_EQ("", parsed.roundingError) << text;
    }
}

TEST(FuzzFindingsFirmwareRevision, ANumberTooLargeForADoubleStillReportsTheRoundingError) {
    // Leading zeros do not make a large number small, nor does a fraction after it.
    for (const std::string& text : {"0000" + std::string(400, '9'), "V1" + std::string(400, '0') + ".5",
                                    "0" + std::string(310, '1') + "." + std::string(341, '0') + "1"}) {
        const FirmwareRevisionParse parsed = parseFirmwareRevision(text);
        EXPECT_EQ((FirmwareRevision{0, 0}), parsed.words) << text;
        EXPECT_NE(std::string::npos,
                  parsed.roundingError.find("can not be represented in the target integer type."))
            << parsed.roundingError;
    }
}
