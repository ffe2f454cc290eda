#include "journal/DeliveryMarks.h"

namespace quorvex::journal {

namespace {

constexpr const char* LinkStart = "SELECT after_event FROM link_start";
constexpr const char* IsMarked = "SELECT 1 FROM link_deliveries WHERE event_id = ?1";

}  // namespace

std::string DeliveryMarks::open(const std::string& path) {
    dataVersion_.reset();
    if (connection_.open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX) != SQLITE_OK) {
        const std::string error = connection_.message();
        connection_.close();
        return path + ": " + error;
    }
    sqlite3_busy_timeout(connection_.handle(), 5000);
    return {};
}

bool DeliveryMarks::changed() {
    int result = SQLITE_OK;
    const auto version = connection_.queryInteger("PRAGMA data_version", result);
    const bool changed = result != SQLITE_OK || version != dataVersion_;
    dataVersion_ = version;
    return changed;
}

std::optional<std::int64_t> DeliveryMarks::settledThrough() {
    int result = SQLITE_OK;
    return connection_.queryInteger(LinkStart, result);
}

std::string DeliveryMarks::states(std::span<const std::int64_t> ids, std::vector<Delivery>& out) {
    out.assign(ids.size(), Delivery::None);
    const auto start = settledThrough();
    if (!start) {
        return {};
    }
    SqliteStatement marked(connection_, IsMarked);
    if (marked.prepared() != SQLITE_OK) {
        return connection_.message();
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const int result = marked.bind(1, ids[i]).step();
        marked.reset();
        if (result != SQLITE_ROW && result != SQLITE_DONE) {
            return connection_.message();
        }
        out[i] = result == SQLITE_ROW ? Delivery::Delivered
                 : ids[i] > *start    ? Delivery::Waiting
                                      : Delivery::None;
    }
    return {};
}

}  // namespace quorvex::journal
