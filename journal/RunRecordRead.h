#pragma once

#include "journal/RunRecord.h"
#include "journal/SqliteConnection.h"

#include <cstdint>
#include <optional>

namespace quorvex::journal {

// Reads a kept run whole; SQLite's result code, with nothing read when there is no such run.
int readRunRecord(const SqliteConnection& connection, std::int64_t id, std::optional<RunRecord>& run);

}  // namespace quorvex::journal
