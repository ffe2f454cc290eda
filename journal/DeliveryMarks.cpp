#include "journal/DeliveryMarks.h"

#include <algorithm>

namespace quorvex::journal {

namespace {

constexpr const char* LinkStart = "SELECT after_event FROM link_start";
constexpr const char* MarksBetween =
    "SELECT event_id FROM link_deliveries WHERE event_id BETWEEN ?1 AND ?2 ORDER BY event_id";

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
    if (!start || ids.empty()) {
        return {};
    }
    // One read of the marks in the rows' span, not one per row: thousands of rows wait after an
    // outage.
    const auto [low, high] = std::minmax_element(ids.begin(), ids.end());
    SqliteStatement between(connection_, MarksBetween);
    between.bind(1, *low).bind(2, *high);
    std::vector<std::int64_t> marked;
    int result = between.prepared();
    while (result == SQLITE_OK && (result = between.step()) == SQLITE_ROW) {
        marked.push_back(between.integer(0));
        result = SQLITE_OK;
    }
    if (result != SQLITE_DONE) {
        return connection_.message();
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const bool delivered = std::binary_search(marked.begin(), marked.end(), ids[i]);
        out[i] = delivered ? Delivery::Delivered : ids[i] > *start ? Delivery::Waiting : Delivery::None;
    }
    return {};
}

}  // namespace quorvex::journal
