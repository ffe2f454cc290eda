#pragma once

#include "support/logfile/LogFileNaming.h"
#include "support/platform/ErrorCodes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zeph::windows::logging {

// The folder that holds one program's debug log files, often a temporary folder shared with
// other users. Files are only ever created anew there, and only this user's own files of the
// program's name pattern are ever deleted.
class LogFileFolder {
public:
    struct CreatedFile {
        int fd = -1;
        std::string name;     // the file's name in the folder
        unsigned number = 1;  // 1, or the number of the suffix that made the name free
        bool locked = false;  // holds the shared lock that marks it in use (false: no locks here)
    };

    LogFileFolder(std::string folder, LogFileNaming naming);

    // Creates "<stem>.log", or the first free "<stem>-<n>.log" from number on, for writing by
    // this user alone. Whatever is already under a name (a file, a link, a FIFO) is never opened:
    // the next name is tried. 0, or the system's code of the failure.
    platform::DWORD create(const std::string& stem, unsigned number, CreatedFile& created) const;

    // Deletes this user's files of the pattern, oldest first, until they and `reserve` more
    // bytes fit in `limit`. The file named `keep` is counted but never deleted, nor is a file
    // another program still writes (locked, or held open). Returns the names deleted.
    std::vector<std::string> prune(const std::string& keep, std::uint64_t reserve, std::uint64_t limit) const;

    const std::string& path() const { return folder_; }
    const LogFileNaming& naming() const { return naming_; }
    std::string pathOf(const std::string& name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
    LogFileNaming naming_;
};

}  // namespace zeph::windows::logging
