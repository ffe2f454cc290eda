#pragma once

#include <cstddef>
#include <string>

namespace quorvex::test {

// What the test process holds now, read from /proc.
std::size_t threadCount();
// Threads whose name (cut to 15 bytes by the system) begins with the prefix.
std::size_t threadsNamed(const std::string& prefix);
std::size_t descriptorCount();

}  // namespace quorvex::test
