#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace quorvex::test {

std::filesystem::path testDataPath(const std::string& relativePath) {
    return std::filesystem::path(QUORVEX_TEST_DATA_DIR) / relativePath;
}

std::vector<std::uint8_t> readTestDataBytes(const std::string& relativePath) {
    std::ifstream in(testDataPath(relativePath), std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing test data file " << relativePath;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string readDebugLog(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("QUORVEX_DEBUG-")) {
            std::ifstream file(entry.path());
            return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        }
    }
    return {};
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvex-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace quorvex::test
