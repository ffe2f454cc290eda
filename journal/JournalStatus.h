#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvex::journal {

enum class JournalState {
    Starting,  // the file is not open yet
    Writing,   // rows reach the disk as they come
    Waiting,   // the file cannot be written now (disk full, locked, folder missing): rows wait
    Off,       // refused (a newer schema, a damaged file that could not be moved): rows are dropped
};

struct JournalStatus {
    JournalState state = JournalState::Starting;
    std::size_t waiting = 0;    // rows (sessions and events) asked for and not yet on disk
    std::uint64_t written = 0;  // changes (new rows, units, ends, notes) on disk since the start
    std::uint64_t lost = 0;     // rows dropped: the journal is off, or too many event rows waited
};

}  // namespace quorvex::journal
