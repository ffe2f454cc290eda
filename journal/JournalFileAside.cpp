#include "journal/JournalFileAside.h"

#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace quorvex::journal {

namespace {

// A hard link fails when the name is taken, so nothing is replaced, even by a race.
bool moveWithoutReplacing(const std::string& from, const std::string& to, int& error) {
    if (::link(from.c_str(), to.c_str()) != 0) {
        error = errno;
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

}  // namespace

std::string moveJournalAside(const std::string& path, std::string& error) {
    for (int number = 1; number < 10000; ++number) {
        const std::string aside = path + ".damaged-" + std::to_string(number);
        if (::access(aside.c_str(), F_OK) == 0 || ::access((aside + "-wal").c_str(), F_OK) == 0) {
            continue;
        }
        int code = 0;
        if (!moveWithoutReplacing(path, aside, code)) {
            if (code == EEXIST) {
                continue;
            }
            error = std::strerror(code);
            return {};
        }
        // SQLite finds a database's WAL by its name: keep them paired.
        for (const char* suffix : {"-wal", "-shm"}) {
            if (::access((path + suffix).c_str(), F_OK) == 0) {
                moveWithoutReplacing(path + suffix, aside + suffix, code);
            }
        }
        return aside;
    }
    error = "too many damaged journals beside it";
    return {};
}

}  // namespace quorvex::journal
