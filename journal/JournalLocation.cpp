#include "journal/JournalLocation.h"

#include <cstdlib>

namespace quorvex::journal {

std::optional<std::string> journalPath(const std::optional<std::string>& option, bool noJournal) {
    if (noJournal) {
        return std::nullopt;
    }
    if (option) {
        return option;
    }
    if (const char* named = std::getenv(JournalVariable)) {
        return *named != '\0' ? std::optional<std::string>(named) : std::nullopt;
    }
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data == '/') {
        return std::string(data) + "/quorvex/journal.sqlite3";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') {
        return std::string(home) + "/.local/share/quorvex/journal.sqlite3";
    }
    return std::nullopt;
}

}  // namespace quorvex::journal
