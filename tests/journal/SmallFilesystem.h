#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace quorvex::test {

// A real file system of a few hundred kilobytes (tmpfs with size=), mounted on a folder for one
// test: a full disk answers ENOSPC and a read-only one EROFS, as on a laptop. Mounting needs
// root (CAP_SYS_ADMIN); where it is refused, why() says so and the test skips.
class SmallFilesystem {
public:
    SmallFilesystem(const std::filesystem::path& folder, std::size_t bytes);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    const std::filesystem::path& path() const { return folder_; }
    // Fills what is left with a file of its own; free() gives the space back.
    void fill();
    void free();
    // Mounts it again read-only; "" or why not.
    std::string makeReadOnly();

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    std::string why_;
};

}  // namespace quorvex::test
