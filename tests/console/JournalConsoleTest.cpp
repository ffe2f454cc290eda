// The console journals what the unit reports beside its window, and says once, in the log tab and
// the status bar, when the journal cannot write.
#include "console/ExportRangeDlg.h"
#include "console/NoteDelegate.h"
#include "console/PassagesModel.h"
#include "console/PassagesTab.h"
#include "console/widgets/JournalEntryDlg.h"
#include "console/widgets/PigPassageDlg.h"
#include "journal/Journal.h"
#include "journal/JournalReader.h"
#include "tests/console/ConsoleFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <sqlite3.h>

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

    // The journal rows opened from the tab, by their window titles.
    static std::vector<console::JournalEntryDlg*> openedRows() {
        std::vector<console::JournalEntryDlg*> opened;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<console::JournalEntryDlg*>(widget);
                dialog && dialog->isVisible()) {
                opened.push_back(dialog);
            }
        }
        return opened;
    }

    // Opens the table's row (as sorted and filtered) with Return.
    console::JournalEntryDlg* openWithReturn(int row) const {
        QTableView& view = passages().view();
        view.setFocus();
        view.setCurrentIndex(view.model()->index(row, console::PassagesModel::Kind));
        for (auto* dialog : openedRows()) {
            dialog->close();
        }
        QTest::keyClick(&view, Qt::Key_Return);
        const auto opened = openedRows();
        return opened.size() == 1 ? opened[0] : nullptr;
    }

    static QString field(const console::JournalEntryDlg& dialog, const QString& label) {
        for (const auto& [name, value] : dialog.shownFields()) {
            if (name == label) {
                return value;
            }
        }
        return QStringLiteral("(not shown)");
    }

    // `count` rows a second apart from `first` seconds after a morning.
    void writeRows(int count, int first = 0) const {
        journal::JournalSettings settings;
        settings.path = journalPath();
        journal::Journal journal(settings);
        const auto session = journal.beginSession({1, "/dev/ttyUSB0"});
        for (int i = 0; i < count; ++i) {
            journal::EventRow row;
            row.unitTime =
                journal::Microseconds{1796601600000000} + (first + i) * journal::Microseconds{1000000};
            row.received = *row.unitTime;
            journal.addEvent(session, row);
        }
        ASSERT_TRUE(journal.waitUntilWritten(std::chrono::seconds(20)));
    }

    // The first column of the first row of a query on the journal, as text.
    std::string query(const std::string& sql) const {
        sqlite3* db = nullptr;
        std::string answer = "(no answer)";
        if (sqlite3_open_v2(journalPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_exec(
                db, sql.c_str(),
                [](void* out, int, char** values, char**) {
                    *static_cast<std::string*>(out) = values[0] != nullptr ? values[0] : "NULL";
                    return 0;
                },
                &answer, nullptr);
        }
        sqlite3_close(db);
        return answer;
    }

    // Exports as the operator does: the range dialog (its choices made by `choose`), the save
    // dialog (answered by answers_), then the word that it is done, which is returned.
    QString exportPassages(const std::function<void(console::ExportRangeDlg&)>& choose = {}) {
        const auto told = [&] {
            return logLinesWith(QStringLiteral("exported to")) + logLinesWith(QStringLiteral("cancelled")) +
                   static_cast<int>(answers_.boxes.size());
        };
        const int before = told();
        window().OnExportPassages();
        auto ranges = window().findChildren<console::ExportRangeDlg*>();
        if (ranges.isEmpty() || !ranges.back()->isVisible()) {
            return QStringLiteral("(no range asked)");
        }
        if (choose) {
            choose(*ranges.back());
        }
        ranges.back()->accept();
        if (!answers_.fileName || !waitFor([&] { return told() > before; })) {
            return QStringLiteral("(nothing told)");
        }
        return answers_.boxes.empty()
                   ? window().logText().trimmed().split(u'\n').back().section(u']', 1).trimmed()
                   : answers_.boxes.back().text;
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
    EXPECT_EQ(QStringLiteral("2 rows exported to %1.").arg(*answers_.fileName), exportPassages());
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

TEST_F(JournalConsoleTest, EachKindOpensAsWhatItIsFromTheJournalWithTheChannelTheUnitMeant) {
    start({"--simulate", "--journal", QString::fromStdString(journalPath())});
    ASSERT_TRUE(waitForStreaming());
    console::PassagesModel& model = passages().model();
    control("passage 1 57.5 -2.25 101.5");
    control("ignored 3 52.25 1.5 3");
    control("trigger 8");
    ASSERT_TRUE(waitFor([&] { return model.rowCount() == 3; }));
    for (auto* alarm : console::PigPassageDlg::openDialogs()) {
        alarm->close();
    }
    ASSERT_TRUE(
        model.setData(model.index(2, console::PassagesModel::Note), QStringLiteral("Valve 7"), Qt::EditRole));
    const struct {
        int row;
        QString title, channel, latitude;
    } kinds[] = {
        {0, QStringLiteral("QUORVEX - Recording trigger (from the journal)"), QStringLiteral("8 (Mag)"),
         QStringLiteral("(not shown)")},
        {1, QStringLiteral("QUORVEX - Ignored event (from the journal)"), QStringLiteral("3 (QUORVEX 3)"),
         QStringLiteral("52.250000")},
        {2, QStringLiteral("QUORVEX - Pig passage (from the journal)"), QStringLiteral("1 (QUORVEX 1)"),
         QStringLiteral("57.500000")},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.title.toStdString());
        EXPECT_EQ(kind.channel, model.index(kind.row, console::PassagesModel::Channel).data());
        console::JournalEntryDlg* opened = openWithReturn(kind.row);
        ASSERT_NE(nullptr, opened);
        EXPECT_EQ(kind.title, opened->windowTitle());
        EXPECT_EQ(kind.channel, field(*opened, QStringLiteral("Channel")));
        EXPECT_EQ(kind.latitude, field(*opened, QStringLiteral("Latitude")));
        EXPECT_EQ(model.index(kind.row, console::PassagesModel::UtcTime).data(),
                  field(*opened, QStringLiteral("Time (UTC)")));
        opened->close();
    }
    console::JournalEntryDlg* passage = openWithReturn(2);
    ASSERT_NE(nullptr, passage);
    EXPECT_EQ(QStringLiteral("Valve 7"), field(*passage, QStringLiteral("Note")));
    EXPECT_TRUE(console::PigPassageDlg::openDialogs().empty()) << "an old row is no new alarm";
    passage->close();
}

TEST_F(JournalConsoleTest, ClosingTheConsoleAsAStopSignalDoesEndsTheSessionWithItsReasonAndTime) {
    start({"--simulate", "--journal", QString::fromStdString(journalPath())});
    ASSERT_TRUE(waitForStreaming());
    ASSERT_TRUE(waitFor([&] { return query("SELECT count(*) FROM sessions") == "1"; }));
    window().close();
    telvane_.reset();
    EXPECT_EQ("1|operator|console closed|1",
              query("SELECT count(*) || '|' || end_reason || '|' || end_text || '|' || "
                    "(disconnected_us >= connected_us) FROM sessions"));
}

TEST_F(JournalConsoleTest, AnExportAsksTheRangeAddsTheTypesExtensionRunsAsideAndSaysWhenItIsDone) {
    start({"--simulate", "--journal", QString::fromStdString(journalPath())});
    ASSERT_TRUE(waitForStreaming());
    control("passage 1 57.5 -2.25 101.5");
    control("trigger 8");
    // Rows are committed before the window hears of them: wait for its line too, so it cannot
    // come after the export's.
    ASSERT_TRUE(waitFor([&] {
        return rows().size() == 2 && logLinesWith(QStringLiteral("is recording magnetic disturbance")) > 0;
    }));

    // A name typed without an extension gets the chosen type's; triggers go with their kind.
    const auto folder = temp_.path() / "exports";
    std::filesystem::create_directories(folder);
    answers_.fileName = QString::fromStdString((folder / "mypassages").string());
    answers_.chosenFilter = QStringLiteral("GeoJSON (*.geojson)");
    EXPECT_EQ(QStringLiteral("2 rows exported to %1.geojson.").arg(*answers_.fileName), exportPassages());
    std::ifstream geojson(folder / "mypassages.geojson");
    const std::string text((std::istreambuf_iterator<char>(geojson)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, text.find("\"kind\":\"trigger\"")) << text;
    EXPECT_FALSE(std::filesystem::exists(folder / "mypassages")) << "never written without its extension";

    // The next one is suggested in the folder of the last, with a name that tells what it holds.
    answers_.chosenFilter = QStringLiteral("GPX 1.1 (*.gpx)");
    answers_.fileName = QString::fromStdString((folder / "run.gpx").string());
    EXPECT_EQ(QStringLiteral("1 row exported to %1. 1 row without a position was left out.")
                  .arg(*answers_.fileName),
              exportPassages());
    EXPECT_EQ(QString::fromStdString(folder.string()), QFileInfo(answers_.suggested).absolutePath());
    EXPECT_TRUE(QFileInfo(answers_.suggested).fileName().startsWith(QStringLiteral("passages-")))
        << answers_.suggested.toStdString();

    // A range after every row: nothing; this session with a range around now: both.
    answers_.fileName = QString::fromStdString((folder / "later.csv").string());
    EXPECT_EQ(QStringLiteral("0 rows exported to %1.").arg(*answers_.fileName),
              exportPassages([](console::ExportRangeDlg& range) {
                  range.fromBound().setChecked(true);
                  range.from().setDateTime(QDateTime::currentDateTime().addDays(1));
              }));
    EXPECT_EQ(QStringLiteral("2 rows exported to %1.").arg(*answers_.fileName),
              exportPassages([](console::ExportRangeDlg& range) {
                  range.sessions().setCurrentIndex(0);
                  range.fromBound().setChecked(true);
                  range.from().setDateTime(QDateTime::currentDateTime().addSecs(-3600));
                  range.untilBound().setChecked(true);
                  range.until().setDateTime(QDateTime::currentDateTime().addSecs(3600));
              }));
}

TEST_F(JournalConsoleTest, ACancelledExportLeavesTheFileItWouldReplaceAsItWas) {
    writeRows(2000);
    start({"--journal", QString::fromStdString(journalPath())});
    const auto target = temp_.path() / "kept.csv";
    std::ofstream(target) << "the operator's older file\n";
    answers_.fileName = QString::fromStdString(target.string());
    window().OnExportPassages();
    auto* range = window().findChild<console::ExportRangeDlg*>();
    ASSERT_NE(nullptr, range);
    range->accept();
    auto* progress = window().findChild<QProgressDialog*>();
    ASSERT_NE(nullptr, progress) << "the export runs behind a progress dialog, off the window thread";
    emit progress->canceled();  // the operator presses Cancel
    ASSERT_TRUE(waitFor([&] { return logLinesWith(QStringLiteral("cancelled")) == 1; }));
    std::ifstream kept(target);
    std::string line;
    std::getline(kept, line);
    EXPECT_EQ("the operator's older file", line);
    for (const auto& entry : std::filesystem::directory_iterator(temp_.path())) {
        EXPECT_FALSE(entry.path().string().ends_with(".part")) << "left behind: " << entry.path();
    }
}

TEST_F(JournalConsoleTest, ThePassagesTabSortsFiltersByKindAndNamesItsParts) {
    start({"--simulate", "--journal", QString::fromStdString(journalPath())});
    ASSERT_TRUE(waitForStreaming());
    console::PassagesTab& tab = passages();
    control("passage 2");
    control("ignored 3");
    control("passage 1");
    control("trigger 8");
    ASSERT_TRUE(waitFor([&] { return tab.model().rowCount() == 4; }));
    QAbstractItemModel& shown = *tab.view().model();
    const auto column = [&](int index) {
        QStringList texts;
        for (int row = 0; row < shown.rowCount(); ++row) {
            texts << shown.index(row, index).data().toString();
        }
        return texts;
    };
    tab.view().sortByColumn(console::PassagesModel::Channel, Qt::AscendingOrder);
    EXPECT_EQ((QStringList{"1 (QUORVEX 1)", "2 (QUORVEX 2)", "3 (QUORVEX 3)", "8 (Mag)"}),
              column(console::PassagesModel::Channel));
    tab.view().sortByColumn(console::PassagesModel::Kind, Qt::DescendingOrder);
    EXPECT_EQ((QStringList{"trigger", "passage", "passage", "ignored"}),
              column(console::PassagesModel::Kind));
    const struct {
        int index;
        QStringList kinds;
    } filters[] = {{1, {"passage", "passage"}},
                   {2, {"ignored"}},
                   {3, {"trigger"}},
                   {0, {"trigger", "passage", "passage", "ignored"}}};
    for (const auto& filter : filters) {
        tab.kindFilter().setCurrentIndex(filter.index);
        EXPECT_EQ(filter.kinds, column(console::PassagesModel::Kind))
            << tab.kindFilter().currentText().toStdString();
    }
    EXPECT_EQ(QStringLiteral("Passage journal"), tab.view().accessibleName());
    EXPECT_EQ(QStringLiteral("Kind"), tab.kindFilter().accessibleName());
    const auto* sessions = tab.findChildren<QComboBox*>().value(0);
    ASSERT_NE(nullptr, sessions);
    EXPECT_EQ(QStringLiteral("Session"), sessions->accessibleName());
}

TEST_F(JournalConsoleTest, RowsAnotherProgramWritesAppearWithoutMovingTheOperatorsPlaceOrSelection) {
    writeRows(600);
    start({"--journal", QString::fromStdString(journalPath())});
    console::PassagesTab& tab = passages();
    console::PassagesModel& model = tab.model();
    ASSERT_TRUE(waitFor([&] { return model.rowCount() > 0; }));
    tab.view().resize(600, 300);
    tab.view().scrollTo(tab.view().model()->index(100, 0), QAbstractItemView::PositionAtTop);
    tab.view().selectRow(103);
    const std::int64_t top = model.entry(tab.view().indexAt(QPoint(0, 0)).row()).id;
    const std::int64_t selected = model.entry(tab.view().selectionModel()->selectedRows().value(0).row()).id;
    writeRows(3, 600);  // another program, later: the All filter shows them without being chosen again
    ASSERT_TRUE(waitFor([&] { return model.rowCount() >= 203; })) << model.rowCount();
    EXPECT_EQ(603, model.entry(0).id);
    EXPECT_EQ(top, model.entry(tab.view().indexAt(QPoint(0, 0)).row()).id) << "the list did not jump";
    ASSERT_EQ(1, tab.view().selectionModel()->selectedRows().size());
    EXPECT_EQ(selected, model.entry(tab.view().selectionModel()->selectedRows()[0].row()).id);
}

TEST_F(JournalConsoleTest, ANoteLongerThanItsStatedLimitIsRefusedAndNeverCutSilently) {
    writeRows(1);
    start({"--journal", QString::fromStdString(journalPath())});
    console::PassagesTab& tab = passages();
    console::PassagesModel& model = tab.model();
    ASSERT_TRUE(waitFor([&] { return model.rowCount() == 1; }));
    const QModelIndex note = model.index(0, console::PassagesModel::Note);
    EXPECT_FALSE(model.setData(note, QString(40003, u'x'), Qt::EditRole));
    EXPECT_EQ(QString(), note.data()) << "nothing of it kept";
    const QString longest(console::PassagesModel::NoteLimit, u'y');
    EXPECT_TRUE(model.setData(note, longest, Qt::EditRole));

    tab.view().edit(tab.view().model()->index(0, console::PassagesModel::Note));
    auto* editor = tab.view().viewport()->findChild<QLineEdit*>();
    ASSERT_NE(nullptr, editor);
    EXPECT_EQ(QStringLiteral("A note holds up to 4,000 characters."), editor->toolTip());
    editor->selectAll();
    editor->insert(QString(console::PassagesModel::NoteLimit + 3, u'z'));
    EXPECT_EQ(QStringLiteral("A note holds up to 4,000 characters. The rest was not taken."),
              editor->toolTip());
    EXPECT_EQ(console::PassagesModel::NoteLimit, editor->text().size());
}

}  // namespace
}  // namespace quorvex::test
