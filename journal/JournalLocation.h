#pragma once

#include <optional>
#include <string>

namespace quorvex::journal {

// The environment variable that names the journal file ("" turns the journal off).
inline constexpr const char* JournalVariable = "QUORVEX_JOURNAL";

// Where the journal is, as bytes: --no-journal turns it off; else --journal PATH; else
// $QUORVEX_JOURNAL (set and empty: off); else $XDG_DATA_HOME/quorvex/journal.sqlite3 (an absolute
// XDG_DATA_HOME only), else ~/.local/share/quorvex/journal.sqlite3. Nothing when off, or when
// there is no home to put it in.
std::optional<std::string> journalPath(const std::optional<std::string>& option, bool noJournal);

}  // namespace quorvex::journal
