#include "tests/helpers/HexData.h"

#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace quorvex::test {

std::vector<std::uint8_t> readTestDataHex(const std::string& relativePath) {
    std::ifstream in(testDataPath(relativePath));
    EXPECT_TRUE(in.good()) << "missing test data file " << relativePath;
    std::vector<std::uint8_t> bytes;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with('#')) {
            continue;
        }
        std::istringstream tokens(line);
        std::string token;
        while (tokens >> token) {
            std::size_t used = 0;
            unsigned long value = 0;
            try {
                value = std::stoul(token, &used, 16);
            } catch (const std::exception&) {
                used = 0;
            }
            if (token.size() != 2 || used != 2) {
                ADD_FAILURE() << relativePath << ": not a hex byte: '" << token << "'";
                continue;
            }
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
    }
    return bytes;
}

}  // namespace quorvex::test
