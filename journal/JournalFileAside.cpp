#include "journal/JournalFileAside.h"

#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstring>

namespace quorvex::journal {

namespace {

// The journal first, then the files SQLite finds beside it by name.
constexpr std::array<const char*, 3> Suffixes = {"", "-wal", "-shm"};

// A second name for each file of the journal; a hard link fails when the name is taken, so
// nothing is replaced, even by a race. On failure the names made so far are taken back.
int linkAll(const std::string& path, const std::string& aside) {
    for (std::size_t i = 0; i < Suffixes.size(); ++i) {
        const std::string from = path + Suffixes[i];
        if (i > 0 && ::access(from.c_str(), F_OK) != 0) {
            continue;
        }
        if (::link(from.c_str(), (aside + Suffixes[i]).c_str()) != 0) {
            const int error = errno;
            for (std::size_t made = 0; made < i; ++made) {
                ::unlink((aside + Suffixes[made]).c_str());
            }
            return error;
        }
    }
    return 0;
}

// The old names go, the WAL before the journal: a WAL left beside a new journal would be
// replayed into it, so if it cannot go, the journal stays where it is, whole.
int unlinkOld(const std::string& path, const std::string& aside) {
    if (::unlink((path + "-wal").c_str()) != 0 && errno != ENOENT) {
        const int error = errno;
        for (const char* suffix : Suffixes) {
            ::unlink((aside + suffix).c_str());
        }
        return error;
    }
    ::unlink((path + "-shm").c_str());
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

}  // namespace

std::string moveJournalAside(const std::string& path, std::string& error) {
    for (int number = 1; number < 10000; ++number) {
        const std::string aside = path + ".damaged-" + std::to_string(number);
        if (::access(aside.c_str(), F_OK) == 0 || ::access((aside + "-wal").c_str(), F_OK) == 0 ||
            ::access((aside + "-shm").c_str(), F_OK) == 0) {
            continue;
        }
        int code = linkAll(path, aside);
        if (code == EEXIST) {
            continue;
        }
        if (code == 0) {
            code = unlinkOld(path, aside);
        }
        if (code != 0) {
            error = std::strerror(code);
            return {};
        }
        return aside;
    }
    error = "too many damaged journals beside it";
    return {};
}

}  // namespace quorvex::journal
