#pragma once

#include <string>

namespace quorvex::journal {

// What a journal file is, found before anything is written to it.
enum class JournalFileVerdict {
    Empty,       // new (made here, mode 0600) or empty: ours to set up
    Ours,        // one of our journals, of this schema version or an older one
    Newer,       // ours, of a newer program: not to be touched
    Foreign,     // another program's database, or a file we must not open: refused untouched
    Damaged,     // not a database at all, or one whose header or schema cannot be read
    Unreadable,  // cannot be looked at now (the reason says why): a fault to try again
};

struct JournalFileCheck {
    JournalFileVerdict verdict = JournalFileVerdict::Unreadable;
    int version = 0;     // the schema version in the file's header
    std::string reason;  // for a person, when the verdict is not Empty or Ours
};

// Looks at the journal file without changing it: only a regular file owned by the user (reached,
// perhaps, through a link the user owns) is opened; a missing file is made with mode 0600. The
// header's application id and schema version are read from its bytes before SQLite parses any
// schema; a file without our mark is ours only if its schema is exactly one our steps made.
JournalFileCheck checkJournalFile(const std::string& path);

// Why a database's application id makes it another program's; "" for our mark or none.
std::string foreignMark(int applicationId);

}  // namespace quorvex::journal
