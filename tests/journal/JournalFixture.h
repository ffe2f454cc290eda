#pragma once

#include "journal/Journal.h"
#include "journal/JournalReader.h"
#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorvex::test {

// What a journal told the operator, collected from its writer thread.
class NoticeLog {
public:
    void add(const std::string& text);
    // Whether a notice holding the fragment has come within the time.
    bool waitFor(const std::string& fragment, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::size_t countOf(const std::string& fragment) const;
    std::string all() const;

private:
    mutable std::mutex mutex_;  //!< Guards texts_.
    std::condition_variable added_;
    std::vector<std::string> texts_;
};

// A journal file in a folder of the test's own, its notices, and ways to read it back.
class JournalTest : public testing::Test {
protected:
    std::string path() const { return (folder_.path() / "journal.sqlite3").string(); }
    std::unique_ptr<journal::Journal> openJournal(journal::JournalSettings settings = {});
    // Every row of the file, oldest first.
    std::vector<journal::JournalEntry> rows(const journal::JournalFilter& filter = {}) const;
    // The first column of the first row of a query on a file, as text ("" when none).
    static std::string query(const std::string& file, const std::string& sql);
    static void execute(const std::string& file, const std::string& sql);

    TemporaryFolder folder_;
    NoticeLog notices_;
};

// A file's bytes ("" when it cannot be read), and how often a fragment stands in a text.
std::string bytesOf(const std::filesystem::path& path);
std::size_t occurrences(const std::string& text, const std::string& fragment);

// A passage with values that differ from row to row.
journal::EventRow passageRow(int index);

bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace quorvex::test
