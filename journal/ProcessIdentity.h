#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvex::journal {

// A running program as another program on the same machine can recognise it: its host, its
// process id and when that process started (a process id is given again once its process ends;
// with its start time it names one process only).
struct ProcessIdentity {
    std::string host;
    std::int64_t pid = 0;
    std::int64_t started = 0;  // clock ticks after boot, as /proc/PID/stat gives it
};

ProcessIdentity thisProcess();
// The start of a process that is running now, or nothing when no such process runs.
std::optional<std::int64_t> processStarted(std::int64_t pid);
// Whether the process may still be running: a process of another host, or one whose start is
// unknown, cannot be told, so it counts as running.
bool mayBeRunning(const ProcessIdentity& process);

}  // namespace quorvex::journal
