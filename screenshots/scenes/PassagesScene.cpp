// The Passages tab on a journal of a day's work: the operator's list of what the unit reported.
#include "console/ConsoleOptions.h"
#include "console/PassagesTab.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "journal/EventRecorder.h"
#include "journal/Journal.h"
#include "journal/JournalLocation.h"
#include "screenshots/ScreenshotScene.h"
#include "screenshots/SilentServices.h"

#include <QTabWidget>
#include <QTableView>

namespace {

using namespace quorvex::screenshots;
using namespace quorvex::journal;
using namespace std::chrono_literals;

// Two sessions of a morning on one pipeline, with an operator's notes.
bool fillJournal(const std::string& path) {
    JournalSettings settings;
    settings.path = path;
    Journal journal(settings);
    const Microseconds morning = Microseconds{1796630400} * 1000000;  // 2026-12-07 08:00 UTC
    const Microseconds minute = 60000000;
    for (int session = 0; session < 2; ++session) {
        const SessionToken token = journal.beginSession({morning + session * 120 * minute, "/dev/rfcomm0"});
        journal.describeUnit(token, {"M450", "123456", "0.0096"});
        for (int i = 0; i < 6; ++i) {
            EventRow row;
            row.kind = i == 4 ? EventKind::Ignored : EventKind::Passage;
            row.unitTime = morning + session * 120 * minute + i * 10 * minute + 250000;
            row.received = *row.unitTime + 40000;
            row.channel = 3;
            row.channelName = channelName(3);
            row.latitude = 57.1497 + i * 0.0031 + session * 0.02;
            row.longitude = -2.0943 - i * 0.0017;
            row.elevation = 41.5 + i;
            row.gpsQuality = 2;
            row.hdop = 0.9;
            row.folder = "Line 4 north";
            row.note = i == 1 ? "Valve station 7" : i == 3 ? "Late by 4 min" : "";
            journal.addEvent(token, row);
        }
        journal.endSession(token, {morning + session * 120 * minute + 60 * minute, "operator", ""});
    }
    return journal.waitUntilWritten(10s);
}

const RegisterScene passages("main-window-passages", [](SceneContext& context) {
    const auto path = journalPath(std::nullopt, false);
    if (!path || !fillJournal(*path)) {
        return false;
    }
    SilentServices services;
    quorvex::console::Telvane telvane(quorvex::console::deviceStack(), services.services());
    quorvex::console::ConsoleOptions options;
    if (!telvane.initInstance(options).empty()) {
        return false;
    }
    auto* window = telvane.mainWindow();
    auto* tab = window->passagesTab();
    window->findChild<QTabWidget*>()->setCurrentWidget(tab);
    context.settle(300ms);
    tab->fitColumns();
    tab->view().selectRow(1);
    context.settle(300ms);
    return context.save(*window, QStringLiteral("main-window-passages"));
});

}  // namespace
