#pragma once

#include "journal/SqliteConnection.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvex::journal {

// Where a row stands with the control-room link, as the journal's marks tell it.
enum class Delivery {
    None,       // before the link's start on this journal, or the link never ran on it
    Waiting,    // after the start, not yet acknowledged by the broker
    Delivered,  // the broker acknowledged it
};

// The link's delivery marks read beside the journal's writer and the link, on a read-only
// connection of its own. Used by one thread.
class DeliveryMarks {
public:
    // "" or why the journal cannot be read; the journal must have been opened by a JournalReader.
    std::string open(const std::string& path);
    bool isOpen() const { return connection_.isOpen(); }
    // Whether another connection committed since the last call (true on the first).
    bool changed();
    // Every row up to this one is delivered or before the link's start; nullopt while the link
    // never ran on this journal.
    std::optional<std::int64_t> settledThrough();
    // The state of each row (the same order); "" or the error.
    std::string states(std::span<const std::int64_t> ids, std::vector<Delivery>& out);

private:
    SqliteConnection connection_;
    std::optional<std::int64_t> dataVersion_;
};

}  // namespace quorvex::journal
