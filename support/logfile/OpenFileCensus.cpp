#include "support/logfile/OpenFileCensus.h"

#include <sys/stat.h>

#include <cctype>
#include <string>

namespace zeph::windows::logging {

namespace fs = std::filesystem;

OpenFileCensus OpenFileCensus::take(const fs::path& procRoot) {
    OpenFileCensus census;
    std::error_code error;
    for (fs::directory_iterator process(procRoot, error), end; !error && process != end;
         process.increment(error)) {
        const std::string pid = process->path().filename().string();
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0]))) {
            continue;
        }
        std::error_code fdError;  // a process that ended, or one of another user: passed over
        for (fs::directory_iterator fd(process->path() / "fd", fdError); !fdError && fd != end;
             fd.increment(fdError)) {
            struct stat target {};
            if (::stat(fd->path().c_str(), &target) == 0 && S_ISREG(target.st_mode)) {
                census.open_.insert({target.st_dev, target.st_ino});
            }
        }
    }
    return census;
}

}  // namespace zeph::windows::logging
