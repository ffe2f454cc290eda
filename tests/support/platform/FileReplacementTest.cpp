#include "support/platform/FileReplacement.h"
#include "tests/helpers/FileSizeLimit.h"
#include "tests/helpers/TestData.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace zeph::platform {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Only what the test made is left in the folder: no temporary file stays behind.
std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// In a child process, as a file-size limit is the process's: the code of the replacement.
DWORD replaceUnderFileSizeLimit(const fs::path& path, const std::string& bytes, rlim_t limit) {
    const pid_t child = ::fork();
    if (child == 0) {
        const quorvex::test::FileSizeLimit full(limit);
        ::_exit(static_cast<int>(replaceFileContents(path, bytes) & 0xFF));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : 0xFFFF;
}

TEST(FileReplacement, TheOldFileStaysWholeUnlessTheNewOneIsCompleteAndOnlyRegularFilesAreReplaced) {
    const std::string earlier = "the log saved yesterday\n";
    const std::string bytes(64 * 1024, 'x');
    struct Row {
        const char* what;
        std::function<void(const fs::path& folder)> make;  // what lies at folder/target first
        std::function<DWORD(const fs::path& target)> replace;
        DWORD expected;
        std::function<bool(const fs::path& folder)> after;
    };
    const auto plain = [&](const fs::path& target) { return replaceFileContents(target, bytes); };
    const Row rows[] = {
        {"no file yet", [](const fs::path&) {}, plain, ERROR_SUCCESS,
         [&](const fs::path& f) { return contentOf(f / "target") == bytes && entriesIn(f) == 1; }},
        {"an older file, read-only to others",
         [&](const fs::path& f) {
             writeFile(f / "target", earlier);
             fs::permissions(f / "target", fs::perms::owner_read | fs::perms::owner_write);
         },
         plain, ERROR_SUCCESS,
         [&](const fs::path& f) {
             return contentOf(f / "target") == bytes && entriesIn(f) == 1 &&
                    fs::status(f / "target").permissions() ==
                        (fs::perms::owner_read | fs::perms::owner_write);
         }},
        {"a full disk", [&](const fs::path& f) { writeFile(f / "target", earlier); },
         [&](const fs::path& target) { return replaceUnderFileSizeLimit(target, bytes, 4096); },
         ERROR_DISK_FULL,
         [&](const fs::path& f) { return contentOf(f / "target") == earlier && entriesIn(f) == 1; }},
        {"a link to a file",
         [&](const fs::path& f) {
             writeFile(f / "real", earlier);
             fs::create_symlink(f / "real", f / "target");
         },
         plain, ERROR_SUCCESS,
         [&](const fs::path& f) {
             return fs::is_symlink(f / "target") && contentOf(f / "real") == bytes && entriesIn(f) == 2;
         }},
        {"a FIFO, which must not block", [](const fs::path& f) { ::mkfifo((f / "target").c_str(), 0600); },
         plain, ERROR_ACCESS_DENIED,
         [](const fs::path& f) { return fs::is_fifo(f / "target") && entriesIn(f) == 1; }},
        {"a folder", [](const fs::path& f) { fs::create_directory(f / "target"); }, plain,
         ERROR_ACCESS_DENIED,
         [](const fs::path& f) { return fs::is_directory(f / "target") && entriesIn(f) == 1; }},
        {"a folder that is missing", [](const fs::path&) {},
         [&](const fs::path& target) { return replaceFileContents(target / "missing" / "file", bytes); },
         ERROR_FILE_NOT_FOUND, [](const fs::path& f) { return entriesIn(f) == 0; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const quorvex::test::TemporaryFolder folder;
        row.make(folder.path());
        EXPECT_EQ(row.expected, row.replace(folder.path() / "target"));
        EXPECT_TRUE(row.after(folder.path()));
    }
}

}  // namespace
}  // namespace zeph::platform
