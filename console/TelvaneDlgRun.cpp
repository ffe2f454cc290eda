// TelvaneDlg: the pig run. The Run tab does the work; the window gives it the route file the
// operator chooses, the passages of the unit and of the other units on the control-room link as
// they arrive, and turns its alarms into a sound and a log line.
#include "console/ControlRoomLink.h"
#include "console/EntryTrace.h"
#include "console/RunKeeper.h"
#include "console/RunReport.h"
#include "console/RunTab.h"
#include "console/TelvaneDlg.h"
#include "device/DeviceState.h"
#include "device/EventRecords.h"
#include "device/IUserInterface.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>

namespace quorvex::console {

namespace {

constexpr const char* RouteFilter = "Routes (*.geojson *.json *.gpx *.kml *.shp *.gpkg);;All files (*)";

// Another crew's passage: its place, else its marker by the channel's name.
tracking::Passage passageOf(const link::FeedPassage& fed) {
    tracking::Passage passage;
    passage.time = tracking::UtcTime(std::chrono::microseconds(fed.timeMicros));
    if (fed.latitude && fed.longitude) {
        passage.position = tracking::GeoPoint{*fed.latitude, *fed.longitude};
    } else {
        passage.marker = fed.channelName;
    }
    passage.unit = fed.unit;
    passage.journal = fed.journal;
    passage.row = fed.id;
    return passage;
}

}  // namespace

QWidget* TelvaneDlg::createRunTab() {
    runTab_ = new RunTab(tabs_);
    connect(runTab_, &RunTab::openRouteRequested, this, &TelvaneDlg::OnOpenRoute);
    connect(runTab_, &RunTab::reportRequested, this, &TelvaneDlg::OnRunReport);
    connect(runTab_, &RunTab::alarmRaised, this, [this](const QString& text) {
        appendLogLine("Overdue: " + text.toStdString() + "\n");
        playSound(SoundEvent::Overdue);
    });
    connect(runTab_, &RunTab::alarmCleared, this,
            [this](const QString& text) { appendLogLine(text.toStdString() + "\n"); });
    connect(runTab_, &RunTab::alarmsAcknowledged, this, [this](const QString& text) {
        appendLogLine("Overdue alarm acknowledged: " + text.toStdString() + "\n");
    });
    // A chasing crew sees the markers the other units saw, through the control room's broker.
    connect(controlRoom_, &ControlRoomLink::passageArrived, runTab_,
            [this](const link::FeedPassage& passage) { runTab_->addPassage(passageOf(passage)); });
    // In the File menu, below Save.
    QMenu* file = menuBar()->actions().front()->menu();
    auto* openRoute = new QAction(QStringLiteral("Open R&oute..."), this);
    openRoute->setStatusTip(QStringLiteral("Open a pipeline's route to follow a pig run on the Run tab"));
    connect(openRoute, &QAction::triggered, this, &TelvaneDlg::OnOpenRoute);
    file->insertAction(file->actions().value(1), openRoute);
    return runTab_;
}

void TelvaneDlg::OnOpenRoute() {
    entryTrace("TelvaneDlg::OnOpenRoute");
    if (services_.openDialog == nullptr) {
        return;
    }
    const auto name = services_.openDialog->askOpenFileName(this, QString::fromLatin1(RouteFilter));
    if (!name) {
        return;
    }
    const std::string error = runTab_->openRoute(QFile::encodeName(*name).toStdString());
    if (!error.empty()) {
        showBox(QStringLiteral("The route cannot be opened: %1").arg(QString::fromStdString(error)),
                BoxIcon::Error);
        return;
    }
    tabs_->setCurrentWidget(runTab_);
}

void TelvaneDlg::OnRunReport() {
    entryTrace("TelvaneDlg::OnRunReport");
    const auto name = services_.saveDialog.askFileName(
        this, QStringLiteral("PDF report (*.pdf);;CSV (*.csv);;GeoJSON (*.geojson)"));
    if (!name) {
        return;
    }
    const std::string error = writeRunReport(runTab_->snapshot(), runTab_->alarms().all(), *name);
    if (!error.empty()) {
        showBox(QStringLiteral("The run report could not be written: %1").arg(QString::fromStdString(error)),
                BoxIcon::Error);
    }
}

void TelvaneDlg::keepRuns(const quorvex::journal::Journal& journal) {
    // The keeper is made after the connections, so a run it takes up again is kept as it goes on.
    connect(runTab_, &RunTab::runStarted, this, [this] { runKeeper_->started(); });
    connect(runTab_, &RunTab::passageAdded, this,
            [this](const tracking::Passage& passage) { runKeeper_->passage(passage); });
    connect(runTab_, &RunTab::alarmsChanged, this, [this] { runKeeper_->alarms(); });
    connect(runTab_, &RunTab::runEnded, this, [this] { runKeeper_->ended(); });
    // What could not be kept is said in the log; the run on the tab goes on.
    runKeeper_ = std::make_unique<RunKeeper>(
        journal, *runTab_, [this](const std::string& error) { appendLogLine("Run: " + error + "\n"); });
}

void TelvaneDlg::feedRun(const PassageRecord& passage) {
    tracking::Passage fed;
    fed.time = tracking::UtcTime(std::chrono::seconds(passage.seconds) +
                                 std::chrono::microseconds(passage.microseconds));
    // Without a fix the unit reports 0, 0: a place no pipeline of ours crosses.
    if (passage.latitude != 0 || passage.longitude != 0) {
        fed.position = tracking::GeoPoint{passage.latitude, passage.longitude};
    }
    fed.unit = device_.getDeviceState()->identity().nameRemainder;
    runTab_->addPassage(std::move(fed));
}

}  // namespace quorvex::console
