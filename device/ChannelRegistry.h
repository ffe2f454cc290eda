#pragma once

#include "device/ChannelRecord.h"

#include <map>

// The process-wide channel table, ordered by id. The rows are built once, before any other code
// runs, and live until the program ends; everybody else holds pointers to them.
class ChannelRegistry {
public:
    using Table = std::map<int, ChannelRecord>;

    static const Table& all();
    // The row of that channel number, or null.
    static const ChannelRecord* find(int id);
};
