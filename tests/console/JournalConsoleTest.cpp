// The console journals what the unit reports beside its window, and says once, in the log tab and
// the status bar, when the journal cannot write.
#include "console/PassagesModel.h"
#include "console/PassagesTab.h"
#include "console/widgets/PigPassageDlg.h"
#include "journal/Journal.h"
#include "journal/JournalReader.h"
#include "tests/console/ConsoleFixture.h"

#include <QTabWidget>
#include <QTableView>

#include <fstream>

namespace quorvex::test {
namespace {

class JournalConsoleTest : public ConsoleTest {
protected:
    std::string journalPath() const { return (temp_.path() / "journal.sqlite3").string(); }

    std::vector<journal::JournalEntry> rows() const {
        journal::JournalReader reader;
        std::vector<journal::JournalEntry> entries;
        if (reader.open(journalPath()).empty()) {
            reader.forEach({}, [&](const journal::JournalEntry& entry) { entries.push_back(entry); });
        }
        return entries;
    }

    console::PassagesTab& passages() const {
        console::PassagesTab* tab = window().passagesTab();
        EXPECT_NE(nullptr, tab);
        window().findChild<QTabWidget*>()->setCurrentWidget(tab);
        return *tab;
    }

    int logLinesWith(const QString& text) const {
        return static_cast<int>(window().logText().split(u'\n').filter(text).size());
    }
};

TEST_F(JournalConsoleTest, PassagesIgnoredEventsAndTriggersAreJournaledWithTheirSession) {
    start({"--simulate", "--journal", QString::fromStdString(journalPath())});
    ASSERT_TRUE(waitForStreaming());
    control("passage 1 57.5 -2.25 101.5");
    control("ignored 2");
    control("trigger 8");
    ASSERT_TRUE(waitFor([&] { return rows().size() == 3; })) << rows().size();
    const auto entries = rows();
    EXPECT_EQ(journal::EventKind::Passage, entries[0].event.kind);
    EXPECT_NEAR(57.5, *entries[0].event.latitude, 1e-9);
    EXPECT_EQ(journal::EventKind::Ignored, entries[1].event.kind);
    EXPECT_EQ(journal::EventKind::Trigger, entries[2].event.kind);
    EXPECT_EQ("M450", entries[0].model);
    // The rows are committed where the frames are read, before the window handles the messages.
    EXPECT_TRUE(waitFor([] { return console::PigPassageDlg::openDialogs().size() == 1; }))
        << console::PigPassageDlg::openDialogs().size();
    EXPECT_EQ("", window().journalStatusText().toStdString());
    EXPECT_EQ(0, logLinesWith(QStringLiteral("Passage journal")));
}

TEST_F(JournalConsoleTest, AJournalThatCannotBeWrittenIsSaidOnceAndItsWaitingRowsAreCounted) {
    const auto blocker = temp_.path() / "blocker";
    std::ofstream(blocker) << "a file where the folder should be";
    start({"--simulate", "--journal", QString::fromStdString((blocker / "journal.sqlite3").string())});
    ASSERT_TRUE(waitForStreaming());
    ASSERT_TRUE(waitFor([&] {
        return logLinesWith(QStringLiteral("Passage journal: cannot create the folder")) == 1;
    })) << window().logText().toStdString();
    control("passage 1");
    control("passage 2");
    ASSERT_TRUE(waitFor([&] { return window().passageCount() == 2; }));
    ASSERT_TRUE(waitFor([&] {
        return window().journalStatusText() == QStringLiteral("Journal: 3 rows waiting");
    })) << window().journalStatusText().toStdString()
        << " (the session and two passages: rows, not the unit's change to the session's row)";
    EXPECT_EQ(1, logLinesWith(QStringLiteral("Passage journal:")));
}

TEST_F(JournalConsoleTest, ThePassagesTabListsNewRowsFirstKeepsANoteAcrossARestartAndExports) {
    const QStringList options{"--simulate", "--journal", QString::fromStdString(journalPath())};
    start(options);
    ASSERT_TRUE(waitForStreaming());
    console::PassagesModel& model = passages().model();
    control("passage 1 57.5 -2.25 101.5");
    ASSERT_TRUE(waitFor([&] { return model.rowCount() == 1; })) << "a passage appears as it arrives";
    control("passage 3 58.5 -3.25 10");
    ASSERT_TRUE(waitFor([&] { return model.rowCount() == 2; }));
    EXPECT_EQ(QStringLiteral("58.500000, -3.250000, 10.0m"),
              model.index(0, console::PassagesModel::Position).data());
    EXPECT_EQ(QStringLiteral("M450 123456"), model.index(0, console::PassagesModel::Unit).data());
    ASSERT_TRUE(model.setData(model.index(1, console::PassagesModel::Note), QStringLiteral("Valve 7, north"),
                              Qt::EditRole));

    answers_.fileName = QString::fromStdString((temp_.path() / "today.csv").string());
    window().OnExportPassages();
    std::ifstream csv(temp_.path() / "today.csv");
    std::string header, first, second, none;
    std::getline(csv, header) && std::getline(csv, first) && std::getline(csv, second);
    EXPECT_EQ(0u, header.find("id,session,kind,")) << header;
    EXPECT_NE(std::string::npos, first.find(",57.5,-2.25,101.5,")) << first;
    EXPECT_FALSE(std::getline(csv, none)) << "two passages";

    telvane_.reset();
    telvane_ = std::make_unique<console::Telvane>(console::deviceStack(), answers_.services());
    start(options);
    console::PassagesModel& again = passages().model();
    ASSERT_TRUE(waitFor([&] { return again.rowCount() == 2; }));
    EXPECT_EQ(QStringLiteral("Valve 7, north"), again.index(1, console::PassagesModel::Note).data());
    passages().showThisSession(true);
    EXPECT_EQ(0, again.rowCount()) << "the new session has no passage yet";
}

TEST_F(JournalConsoleTest, ALongJournalIsReadAPageAtATimeAsTheListScrolls) {
    {
        journal::JournalSettings settings;
        settings.path = journalPath();
        journal::Journal journal(settings);
        const auto session = journal.beginSession({1, "COM3"});
        for (int i = 0; i < 1000; ++i) {
            journal::EventRow row;
            row.unitTime = journal::Microseconds{1796601600000000} + i;
            row.received = *row.unitTime;
            journal.addEvent(session, row);
        }
        ASSERT_TRUE(journal.waitUntilWritten(std::chrono::seconds(20)));
    }
    start({"--journal", QString::fromStdString(journalPath())});
    console::PassagesModel& model = passages().model();
    ASSERT_TRUE(waitFor([&] { return model.rowCount() > 0; }));
    EXPECT_EQ(console::PassagesModel::PageSize, model.rowCount());
    EXPECT_EQ(1000, model.entry(0).id) << "newest first";
    passages().view().scrollToBottom();
    ASSERT_TRUE(waitFor([&] { return model.rowCount() > console::PassagesModel::PageSize; }));
    while (model.canFetchMore({})) {
        model.fetchMore({});
    }
    EXPECT_EQ(1000, model.rowCount());
    EXPECT_EQ(1, model.entry(999).id);
}

}  // namespace
}  // namespace quorvex::test
