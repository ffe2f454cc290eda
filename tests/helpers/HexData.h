#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::test {

// Reads a byte vector kept as text under tests/data: lines starting with '#' are comments, the
// rest are bytes as two hex digits separated by blanks. A malformed token fails the test.
std::vector<std::uint8_t> readTestDataHex(const std::string& relativePath);

}  // namespace quorvex::test
