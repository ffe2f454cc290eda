// The Passages tab on a journal of 100,000 rows: the time from creating the tab to its first
// paint (offscreen). Prints SUMMARY|name|figure|unit lines.
#include "console/PassagesModel.h"
#include "console/PassagesTab.h"
#include "journal/Journal.h"
#include "journal/JournalFeed.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

using namespace quorvex::journal;

void fill(const std::string& path, int rows) {
    JournalSettings settings;
    settings.path = path;
    Journal journal(settings);
    const SessionToken session = journal.beginSession({journalNow(), "/dev/pts/0"});
    for (int i = 0; i < rows; ++i) {
        EventRow row;
        row.unitTime = journalNow();
        row.received = *row.unitTime;
        row.channel = 3;
        row.channelName = "QUORVEX 3";
        row.latitude = 57.1 + i * 1e-6;
        row.longitude = -2.1;
        row.elevation = 40.0;
        row.folder = "Line 4";
        journal.addEvent(session, row);
    }
    journal.waitUntilWritten(std::chrono::minutes(5));
}

// Notes the first paint of the table.
class PaintProbe : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
    bool painted = false;
};

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const auto folder = std::filesystem::current_path() / "bench-passages-tab";
    std::filesystem::remove_all(folder);
    const std::string path = (folder / "journal.sqlite3").string();
    fill(path, 100000);
    JournalSettings settings;
    settings.path = path;
    Journal journal(settings);

    QElapsedTimer timer;
    timer.start();
    quorvex::console::PassagesTab tab(journal, [] { return std::optional<std::int64_t>(); });
    PaintProbe probe;
    tab.view().viewport()->installEventFilter(&probe);
    tab.resize(800, 400);
    tab.show();
    while (!probe.painted) {
        QApplication::processEvents();
    }
    std::printf("SUMMARY|passages tab first paint on 100000 rows|%.3f|ms\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    std::printf("SUMMARY|passages tab rows read for it|%d|rows\n", tab.model().rowCount());
    std::filesystem::remove_all(folder);
    return 0;
}
