#pragma once

#include "journal/JournalOperation.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace quorvex::journal {

// Rows that could not reach the journal before the program had to end are kept beside it, in a
// text file of this process's own (`<journal>.spill-<pid>`), appended and synced; whichever
// program opens the journal next takes them in, once, in order. A session already on disk is
// named by its row, one that is not by its token, which the spill's own begin row resolves.
class JournalSpill {
public:
    // Appends the operations to this process's spill file; "" on success, else why not.
    static std::string append(const std::string& journalPath, std::span<const JournalOperation> operations,
                              const std::map<SessionToken, std::int64_t>& sessionRows);

    // One spill file claimed for taking in: its operations, with tokens of their own; the
    // sessions on disk they name are in `sessionRows`.
    struct Claimed {
        std::string path;  // the claimed file
        std::string from;  // its name as found
        std::vector<JournalOperation> operations;
        std::map<SessionToken, std::int64_t> sessionRows;
    };
    // Claims the spill files of programs that ended, oldest first; `firstToken` numbers their
    // sessions.
    static std::vector<Claimed> claimAll(const std::string& journalPath, SessionToken firstToken);
    // After the claimed rows are committed: the file goes.
    static void taken(const Claimed& claimed);
    // They could not be committed: the file is left for the next opener.
    static void release(const Claimed& claimed);

    static std::string pathOf(const std::string& journalPath);
};

}  // namespace quorvex::journal
