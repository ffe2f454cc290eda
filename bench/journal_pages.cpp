// What a page of the journal costs to read when the journal is large: the Passages tab's page of
// one session (newest first, after a row) and the control-room link's page (oldest first, after
// the last delivered row), on 200,000 rows in 40 sessions. Prints SUMMARY|name|figure|unit lines.
#include "journal/Journal.h"
#include "journal/JournalFeed.h"
#include "journal/JournalReader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace quorvex::journal;
using Clock = std::chrono::steady_clock;

constexpr int Sessions = 40;
constexpr int RowsPerSession = 5000;

void summary(const std::string& name, double figure, const char* unit) {
    std::printf("SUMMARY|%s|%.3f|%s\n", name.c_str(), figure, unit);
}

void fill(const std::string& path) {
    JournalSettings settings;
    settings.path = path;
    settings.backlogLimit = RowsPerSession * 2;
    Journal journal(settings);
    for (int session = 0; session < Sessions; ++session) {
        const SessionToken token = journal.beginSession({journalNow(), "/dev/pts/0"});
        for (int i = 0; i < RowsPerSession; ++i) {
            EventRow row;
            row.unitTime = journalNow();
            row.received = *row.unitTime;
            row.latitude = 51.5;
            row.longitude = -0.125;
            journal.addEvent(token, row);
        }
        journal.waitUntilWritten(std::chrono::seconds(60));
    }
}

template <typename Read>
void measure(const std::string& name, Read read) {
    std::vector<double> milliseconds;
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        read(i);
        milliseconds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    summary(name + " p50", milliseconds[milliseconds.size() / 2], "ms");
    summary(name + " max", milliseconds.back(), "ms");
}

}  // namespace

int main() {
    const auto folder =
        std::filesystem::temp_directory_path() / ("quorvex-pages-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "journal.sqlite3").string();
    fill(path);
    JournalReader reader;
    if (const std::string error = reader.open(path); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::vector<JournalEntry> rows;
    JournalFilter session;
    session.session = Sessions / 2;
    const std::int64_t middle = std::int64_t{Sessions / 2} * RowsPerSession - RowsPerSession / 2;
    measure("journal page of a session (200 rows)", [&](int i) {
        rows.clear();
        reader.page(session, true, middle - i, 200, rows);
    });
    const std::int64_t last = std::int64_t{Sessions} * RowsPerSession;
    measure("journal page of the link (200 rows)", [&](int i) {
        rows.clear();
        reader.page({}, false, last - 400 + i, 200, rows);
    });
    std::filesystem::remove_all(folder);
    return 0;
}
