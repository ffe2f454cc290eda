#pragma once

#include "runreport/RunAlarms.h"
#include "runreport/RunSnapshot.h"
#include "tracking/PigRun.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>

class QAbstractItemModel;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTimer;

namespace quorvex::console {

class RouteView;
class RunChart;
class RunStartForm;

// The Run tab: a route, a pig run on it fed by the passages as they arrive, and what the crew
// chasing the pig needs: a chainage-over-time chart, the markers with their times, speeds and
// ETAs, a plain map, and an overdue marker as a banner until the operator acknowledges it.
// The figures are the engine's, at the clock's time, looked at again every few seconds.
class RunTab final : public QWidget {
    Q_OBJECT
public:
    using Clock = std::function<tracking::UtcTime()>;

    explicit RunTab(QWidget* parent = nullptr);
    ~RunTab() override;

    // The time the run is looked at (the system's clock unless a test hands in its own).
    void setClock(Clock clock);
    tracking::UtcTime now() const { return clock_(); }

    // Reads a route file: "" with the route shown (a run on the previous route ends), else the
    // reason it cannot be used.
    std::string openRoute(const std::filesystem::path& path);
    const tracking::Route* route() const { return route_.get(); }
    const std::filesystem::path& routePath() const { return routePath_; }
    // Takes up a run kept from before on its route, its passages and its alarms as they stood:
    // "" or why it cannot go on.
    std::string restoreRun(tracking::Route route, const std::filesystem::path& routePath,
                           const tracking::RunPlan& plan, std::vector<tracking::Passage> passages,
                           std::vector<runreport::RunAlarm> alarms);
    // Starts a run on the route: "" or why it cannot start.
    std::string startRun(const tracking::RunPlan& plan);
    bool running() const { return run_ != nullptr; }
    const tracking::PigRun* run() const { return run_.get(); }
    // A passage of this unit or another: kept with the run under way, else dropped.
    void addPassage(tracking::Passage passage);
    // Evaluates the run at the clock's time and shows it; raises and clears alarms.
    void refresh();
    // The operator has seen the overdue alarms: the banner goes and the time is recorded.
    void acknowledge();

    const runreport::RunSnapshot& snapshot() const { return snapshot_; }
    const runreport::RunAlarms& alarms() const { return alarms_; }
    // What the overdue banner says, "" while it is hidden.
    QString bannerText() const;
    QAbstractItemModel& markersModel() const;
    RunStartForm& startForm() const { return *form_; }

    static constexpr int RefreshMs = 5000;

signals:
    void openRouteRequested();
    void reportRequested();
    // An overdue marker, once; its alarm cleared by the passage; alarms acknowledged.
    void alarmRaised(const QString& text);
    void alarmCleared(const QString& text);
    void alarmsAcknowledged(const QString& text);
    // For keeping the run: it started, was given a passage, its alarms changed, it ended.
    void runStarted();
    void passageAdded(const tracking::Passage& passage);
    void alarmsChanged();
    void runEnded();

private:
    QWidget* createHeader();
    QWidget* createBanner();
    void onStartRequested();
    void showRun();
    void showBanner();
    void useRoute(tracking::Route route, const std::filesystem::path& path);

    Clock clock_;
    std::unique_ptr<tracking::Route> route_;
    std::filesystem::path routePath_;
    std::unique_ptr<tracking::PigRun> run_;  // on route_
    runreport::RunSnapshot snapshot_;
    runreport::RunAlarms alarms_;

    QLabel* routeLabel_ = nullptr;
    QPushButton* reportButton_ = nullptr;
    RunStartForm* form_ = nullptr;
    QWidget* banner_ = nullptr;
    QLabel* bannerLabel_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    RunChart* chart_ = nullptr;
    RouteView* routeView_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace quorvex::console
