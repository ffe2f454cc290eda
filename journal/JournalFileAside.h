#pragma once

#include <string>

namespace quorvex::journal {

// Moves a journal that cannot be read out of the way, with its WAL and shared-memory files, to
// "<path>.damaged-N" for the first N not yet taken; never overwrites or deletes a file. All of
// them move or none: a WAL that cannot move keeps the journal in its place. Returns the new path,
// or "" with the reason in `error`.
std::string moveJournalAside(const std::string& path, std::string& error);

}  // namespace quorvex::journal
