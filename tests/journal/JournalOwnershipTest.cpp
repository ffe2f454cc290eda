// A file that is not our journal is never changed: another program's database, a link planted by
// someone else, a file of another user. Ours is marked, made 0600, and read where it cannot be
// written.
#include "tests/journal/JournalFixture.h"
#include "tests/journal/SmallFilesystem.h"

#include "journal/JournalExport.h"
#include "journal/JournalSql.h"

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Every name in a folder, to see that nothing was made beside a refused file.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

constexpr uid_t SomeoneElse = 4242;

class JournalOwnershipTest : public JournalTest {
protected:
    // A journal of ours with one row, closed, at a path.
    void makeJournal(const std::string& at) {
        JournalSettings settings;
        settings.path = at;
        const auto journal = openJournal(settings);
        journal->addEvent(journal->beginSession({1, "COM3"}), passageRow(1));
        ASSERT_TRUE(journal->waitUntilWritten(20s));
    }
};

TEST_F(JournalOwnershipTest, AFileThatIsNotOurJournalIsRefusedAndLeftByteForByte) {
    const bool root = ::geteuid() == 0;
    const struct {
        const char* name;
        bool needsRoot;
        // Makes the file at the journal's path; returns the file whose bytes must stay.
        std::function<std::string(const std::string& path)> make;
        const char* notice;
    } cases[] = {
        {"another program's database", false,
         [](const std::string& path) {
             execute(path, "CREATE TABLE contacts(name TEXT); INSERT INTO contacts VALUES('Ada');");
             return path;
         },
         "another program's database (its tables are not a journal's)"},
        {"another program's mark", false,
         [](const std::string& path) {
             execute(path, "PRAGMA application_id = 42; CREATE TABLE t(x);");
             return path;
         },
         "another program's database (application id 42)"},
        {"a version-2 file with an events table of its own", false,
         [](const std::string& path) {
             execute(path,
                     "CREATE TABLE events(id INTEGER PRIMARY KEY, what TEXT, at REAL);"
                     "INSERT INTO events(what, at) VALUES('boiler service', 1.5);"
                     "CREATE TABLE sessions(id INTEGER PRIMARY KEY);"
                     "PRAGMA user_version = 2;");
             return path;
         },
         "another program's database"},
        {"a WAL-mode database of another program", false,
         [](const std::string& path) {
             execute(path, "PRAGMA journal_mode = WAL; CREATE TABLE notes(text TEXT);");
             return path;
         },
         "another program's database"},
        {"a link planted in a sticky folder by another user", true,
         [this](const std::string& path) {
             const fs::path target = folder_.path() / "root-owned.sqlite3";
             makeJournal(target.string());
             fs::create_directories(fs::path(path).parent_path());
             ::chmod(fs::path(path).parent_path().c_str(), 01777);
             fs::create_symlink(target, path);
             EXPECT_EQ(0, ::lchown(path.c_str(), SomeoneElse, SomeoneElse));
             return target.string();
         },
         "a link that is not yours"},
        {"a file of another user", true,
         [](const std::string& path) {
             execute(path, "CREATE TABLE t(x);");
             EXPECT_EQ(0, ::chown(path.c_str(), SomeoneElse, SomeoneElse));
             return path;
         },
         "a file that is not yours"},
    };
    int number = 0;
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        if (each.needsRoot && !root) {
            std::cout << "[  SKIPPED ] " << each.name << ": files of another user need root to make\n";
            continue;
        }
        const fs::path folder = folder_.path() / ("case-" + std::to_string(++number)) / "shared";
        fs::create_directories(folder.parent_path());
        const std::string path = (folder / "journal.sqlite3").string();
        fs::create_directories(folder);
        const std::string kept = each.make(path);
        const std::string before = bytesOf(kept);
        const auto namesBefore = namesIn(folder);
        JournalSettings settings;
        settings.path = path;
        {
            const auto journal = openJournal(settings);
            journal->addEvent(journal->beginSession({2, "COM4"}), passageRow(2));
            ASSERT_TRUE(notices_.waitFor(path + " is " + each.notice)) << notices_.all();
            EXPECT_TRUE(notices_.waitFor("it is left as it is and nothing is journaled in this run"));
            EXPECT_TRUE(journal->waitUntilWritten(20s));
            EXPECT_EQ(0u, journal->status().written);
        }
        EXPECT_TRUE(before == bytesOf(kept)) << "the file was changed";
        EXPECT_EQ(namesBefore, namesIn(folder)) << "a file was made or moved beside it";
        if (kept == path) {
            JournalReader reader;
            EXPECT_NE("", reader.open(path)) << "a reader takes it for a journal";
        }
    }
}

TEST_F(JournalOwnershipTest, OurJournalIsMarkedMadeForTheUserAloneAndReachedThroughTheUsersLink) {
    const mode_t saved = ::umask(022);
    makeJournal(path());
    ::umask(saved);
    EXPECT_EQ(std::to_string(sql::ApplicationId), query(path(), "PRAGMA application_id"));
    EXPECT_EQ(0600u, modeOf(path())) << "the debug log is 0600; the journal holds no less";
    // The mark is in the file's own header, where another program looks, before any checkpoint.
    const std::string header = bytesOf(path()).substr(68, 4);
    EXPECT_EQ(std::string("QRVX"), header);

    const struct {
        const char* name;
        std::function<std::string()> make;
    } accepted[] = {
        {"an empty file",
         [this] {
             const auto empty = folder_.path() / "empty.sqlite3";
             std::ofstream(empty).close();
             return empty.string();
         }},
        {"the user's own link to the user's journal",
         [this] {
             const auto link = folder_.path() / "link.sqlite3";
             fs::create_symlink(path(), link);
             return link.string();
         }},
        {"a journal of the first version",
         [this] {
             const auto old = folder_.path() / "old.sqlite3";
             execute(old.string(), std::string(sql::Migrations[0]) + "PRAGMA user_version = 1;");
             return old.string();
         }},
    };
    for (const auto& each : accepted) {
        SCOPED_TRACE(each.name);
        const std::string at = each.make();
        makeJournal(at);
        JournalReader reader;
        ASSERT_EQ("", reader.open(at));
        EXPECT_LE(1, reader.count(std::nullopt).value_or(0));
    }
    EXPECT_EQ("", notices_.all());
}

TEST_F(JournalOwnershipTest, AJournalOnAReadOnlyMediumIsExported) {
    SmallFilesystem medium(folder_.path() / "stick", 4 << 20);
    if (!medium.mounted()) {
        GTEST_SKIP() << medium.why();
    }
    const std::string on = (medium.path() / "journal.sqlite3").string();
    makeJournal(on);
    ASSERT_EQ("", medium.makeReadOnly());
    ASSERT_FALSE(fs::exists(on + "-wal"));
    JournalReader reader;
    ASSERT_EQ("", reader.open(on));
    ExportCounts counts;
    const auto target = folder_.path() / "out.csv";
    ASSERT_EQ("", exportJournal(reader, {}, ExportFormat::Csv, target.string(), counts));
    EXPECT_EQ(1u, counts.written);
    EXPECT_NE(std::string::npos, bytesOf(target).find(reader.uuid()));
}

}  // namespace
}  // namespace quorvex::test
