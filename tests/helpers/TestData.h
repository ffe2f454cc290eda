#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvex::test {

// Files that tests read (known-answer frames and the like) live under tests/data.
std::filesystem::path testDataPath(const std::string& relativePath);
std::vector<std::uint8_t> readTestDataBytes(const std::string& relativePath);

// The text of the debug log file ("QUORVEX_DEBUG-...") a program wrote into the folder; empty
// when there is none yet.
std::string readDebugLog(const std::filesystem::path& folder);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace quorvex::test
