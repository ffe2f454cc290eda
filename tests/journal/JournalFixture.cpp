#include "tests/journal/JournalFixture.h"

#include "journal/SqliteConnection.h"

#include <fstream>
#include <sstream>
#include <thread>

namespace quorvex::test {

using namespace journal;

void NoticeLog::add(const std::string& text) {
    const std::lock_guard lock(mutex_);
    texts_.push_back(text);
    added_.notify_all();
}

bool NoticeLog::waitFor(const std::string& fragment, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, timeout, [&] {
        for (const std::string& text : texts_) {
            if (text.find(fragment) != std::string::npos) {
                return true;
            }
        }
        return false;
    });
}

std::size_t NoticeLog::countOf(const std::string& fragment) const {
    const std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const std::string& text : texts_) {
        count += text.find(fragment) != std::string::npos ? 1 : 0;
    }
    return count;
}

std::string NoticeLog::all() const {
    const std::lock_guard lock(mutex_);
    std::string all;
    for (const std::string& text : texts_) {
        all += text + "\n";
    }
    return all;
}

std::unique_ptr<Journal> JournalTest::openJournal(JournalSettings settings) {
    if (settings.path.empty()) {
        settings.path = path();
    }
    settings.notify = [this](const std::string& text) { notices_.add(text); };
    return std::make_unique<Journal>(std::move(settings));
}

std::vector<JournalEntry> JournalTest::rows(const JournalFilter& filter) const {
    JournalReader reader;
    std::vector<JournalEntry> entries;
    EXPECT_EQ("", reader.open(path()));
    EXPECT_EQ("", reader.forEach(filter, [&](const JournalEntry& entry) { entries.push_back(entry); }));
    return entries;
}

std::string JournalTest::query(const std::string& file, const std::string& sql) {
    SqliteConnection connection;
    EXPECT_EQ(SQLITE_OK, connection.open(file, SQLITE_OPEN_READWRITE));
    int result = SQLITE_OK;
    return connection.queryText(sql.c_str(), result).value_or("");
}

void JournalTest::execute(const std::string& file, const std::string& sql) {
    SqliteConnection connection;
    ASSERT_EQ(SQLITE_OK, connection.open(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    ASSERT_EQ(SQLITE_OK, connection.execute(sql.c_str())) << connection.message();
}

std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::size_t occurrences(const std::string& text, const std::string& fragment) {
    std::size_t count = 0;
    for (auto at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) {
        ++count;
    }
    return count;
}

EventRow passageRow(int index) {
    EventRow row;
    row.kind = EventKind::Passage;
    row.unitTime = Microseconds{1796601600} * 1000000 + index * 1250;
    row.received = *row.unitTime + 40000;
    row.channel = 1 + index % 7;
    row.channelName = "Korvid " + std::to_string(1 + index % 7);
    row.latitude = 51.5 + index * 1e-5;
    row.longitude = -0.125 - index * 1e-5;
    row.elevation = 12.25 + index;
    row.gpsQuality = 1 + index % 2;
    row.hdop = 0.5 * (1 + index % 4);
    row.folder = "Folder " + std::to_string(index % 5);
    return row;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace quorvex::test
