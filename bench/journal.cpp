// The passage journal: how soon a passage row is committed after it is handed over (p50, p99,
// largest; on the disk under the working folder and on tmpfs), and how long exporting 100,000
// rows takes in each format. Prints SUMMARY|name|figure|unit lines.
#include "journal/Journal.h"
#include "journal/JournalExport.h"
#include "journal/JournalFeed.h"

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

EventRow passage(int index) {
    EventRow row;
    row.unitTime = journalNow();
    row.received = *row.unitTime;
    row.channel = 1 + index % 7;
    row.channelName = "QUORVEX " + std::to_string(1 + index % 7);
    row.latitude = 51.5 + index * 1e-6;
    row.longitude = -0.125 - index * 1e-6;
    row.elevation = 12.5;
    row.gpsQuality = 2;
    row.hdop = 0.9;
    row.folder = "Folder 1";
    return row;
}

void summary(const std::string& name, double figure, const char* unit) {
    std::printf("SUMMARY|%s|%.3f|%s\n", name.c_str(), figure, unit);
}

// One row at a time, as passages come: the time from handing it over to its commit.
void commitLatency(const std::string& where, const std::filesystem::path& folder, int rows) {
    std::filesystem::remove_all(folder);
    JournalSettings settings;
    settings.path = (folder / "journal.sqlite3").string();
    Journal journal(settings);
    const SessionToken session = journal.beginSession({journalNow(), "/dev/pts/0"});
    journal.waitUntilWritten(std::chrono::seconds(10));
    std::vector<double> milliseconds;
    for (int i = 0; i < rows; ++i) {
        const auto start = Clock::now();
        journal.addEvent(session, passage(i));
        journal.waitUntilWritten(std::chrono::seconds(10));
        milliseconds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    summary("journal commit p50 (" + where + ")", milliseconds[milliseconds.size() / 2], "ms");
    summary("journal commit p99 (" + where + ")", milliseconds[milliseconds.size() * 99 / 100], "ms");
    summary("journal commit max (" + where + ")", milliseconds.back(), "ms");
}

void exports(const std::filesystem::path& folder, int rows) {
    std::filesystem::remove_all(folder);
    JournalSettings settings;
    settings.path = (folder / "journal.sqlite3").string();
    {
        Journal journal(settings);
        const SessionToken session = journal.beginSession({journalNow(), "/dev/pts/0"});
        for (int i = 0; i < rows; ++i) {
            journal.addEvent(session, passage(i));
        }
        journal.waitUntilWritten(std::chrono::minutes(5));
    }
    JournalReader reader;
    reader.open(settings.path);
    JournalFilter filter;
    filter.placedOnly = true;
    const std::pair<const char*, ExportFormat> formats[] = {
        {"csv", ExportFormat::Csv}, {"gpx", ExportFormat::Gpx}, {"geojson", ExportFormat::GeoJson}};
    for (const auto& [name, format] : formats) {
        ExportCounts counts;
        const auto start = Clock::now();
        exportJournal(reader, filter, format, (folder / (std::string("out.") + name)).string(), counts);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        summary(std::string("journal export of ") + std::to_string(counts.written) + " rows (" + name + ")",
                seconds * 1000, "ms");
    }
}

}  // namespace

int main() {
    const int rows = 1000;
    const auto disk = std::filesystem::current_path() / "bench-journal";
    commitLatency("disk", disk, rows);
    if (std::filesystem::is_directory("/dev/shm")) {
        commitLatency("tmpfs", "/dev/shm/bench-journal-" + std::to_string(::getpid()), rows);
        std::filesystem::remove_all("/dev/shm/bench-journal-" + std::to_string(::getpid()));
    }
    exports(disk, 100000);
    std::filesystem::remove_all(disk);
    return 0;
}
