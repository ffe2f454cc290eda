#include "console/RunTab.h"

#include "console/RouteView.h"
#include "console/RunChart.h"
#include "console/RunMarkerRows.h"
#include "console/RunStartForm.h"
#include "console/RunTimeText.h"
#include "tracking/RouteReader.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace quorvex::console {

namespace {

tracking::UtcTime systemNow() {
    return std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now());
}

QString routeSummary(const tracking::Route& route) {
    return QStringLiteral("Route: %1, %2, %3 markers")
        .arg(QString::fromStdString(route.name()), kilometresText(route.lengthMetres()))
        .arg(route.markers().size());
}

}  // namespace

RunTab::RunTab(QWidget* parent) : QWidget(parent), clock_(systemNow) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createHeader());
    form_ = new RunStartForm(this);
    connect(form_, &RunStartForm::startRequested, this, &RunTab::onStartRequested);
    layout->addWidget(form_);
    layout->addWidget(createBanner());
    model_ = new QStandardItemModel(0, static_cast<int>(runMarkerHeadings().size()), this);
    model_->setHorizontalHeaderLabels(runMarkerHeadings());
    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->verticalHeader()->hide();
    // Rows of one line of text: more markers in view beside the chart.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setAccessibleName(QStringLiteral("Markers"));
    chart_ = new RunChart(this);
    routeView_ = new RouteView(this);
    // The table over the chart (both read down the markers), the map beside them at full height.
    auto* figures = new QSplitter(Qt::Vertical, this);
    figures->addWidget(table_);
    figures->addWidget(chart_);
    figures->setSizes({1000, 1000});  // half each, whatever the table would like
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(figures);
    splitter->addWidget(routeView_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &RunTab::refresh);
    timer_->start(RefreshMs);
}

RunTab::~RunTab() = default;

QWidget* RunTab::createHeader() {
    auto* header = new QWidget(this);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    routeLabel_ = new QLabel(QStringLiteral("No route: File > Open Route..."), header);
    auto* open = new QPushButton(QStringLiteral("&Open Route..."), header);
    reportButton_ = new QPushButton(QStringLiteral("Run &Report..."), header);
    reportButton_->setEnabled(false);
    connect(open, &QPushButton::clicked, this, &RunTab::openRouteRequested);
    connect(reportButton_, &QPushButton::clicked, this, &RunTab::reportRequested);
    layout->addWidget(routeLabel_, 1);
    layout->addWidget(open);
    layout->addWidget(reportButton_);
    return header;
}

QWidget* RunTab::createBanner() {
    banner_ = new QWidget(this);
    banner_->setAutoFillBackground(true);
    QPalette palette = banner_->palette();
    palette.setColor(QPalette::Window, QColor(200, 30, 30));
    palette.setColor(QPalette::WindowText, Qt::white);
    banner_->setPalette(palette);
    auto* layout = new QHBoxLayout(banner_);
    layout->setContentsMargins(6, 3, 6, 3);
    bannerLabel_ = new QLabel(banner_);
    QFont bold = bannerLabel_->font();
    bold.setBold(true);
    bannerLabel_->setFont(bold);
    bannerLabel_->setWordWrap(true);
    auto* acknowledge = new QPushButton(QStringLiteral("&Acknowledge"), banner_);
    connect(acknowledge, &QPushButton::clicked, this, &RunTab::acknowledge);
    layout->addWidget(bannerLabel_, 1);
    layout->addWidget(acknowledge);
    banner_->hide();
    return banner_;
}

void RunTab::setClock(Clock clock) {
    clock_ = std::move(clock);
}

std::string RunTab::openRoute(const std::filesystem::path& path) {
    std::optional<tracking::Route> read;
    if (std::string error = tracking::readRoute(path, tracking::RouteLimits{}, read); !error.empty()) {
        return error;
    }
    useRoute(std::move(*read), path);
    showRun();
    return {};
}

void RunTab::useRoute(tracking::Route route, const std::filesystem::path& path) {
    // The views let go of the old route before it goes.
    routeView_->show(nullptr, std::nullopt);
    chart_->show(nullptr);
    if (std::exchange(run_, nullptr) != nullptr) {
        emit runEnded();
    }
    alarms_.clear();
    snapshot_ = runreport::RunSnapshot{};
    route_ = std::make_unique<tracking::Route>(std::move(route));
    routePath_ = path;
    routeLabel_->setText(routeSummary(*route_));
    QStringList names;
    for (const tracking::Marker& marker : route_->markers()) {
        names << QString::fromStdString(marker.name);
    }
    form_->setMarkers(names);
    form_->setLaunchTime(now());
}

std::string RunTab::restoreRun(tracking::Route route, const std::filesystem::path& routePath,
                               const tracking::RunPlan& plan, std::vector<tracking::Passage> passages,
                               std::vector<runreport::RunAlarm> alarms) {
    if (std::string error = tracking::checkRunPlan(route, plan); !error.empty()) {
        return error;
    }
    useRoute(std::move(route), routePath);
    run_ = std::make_unique<tracking::PigRun>(*route_, plan);
    for (tracking::Passage& passage : passages) {
        run_->add(std::move(passage));
    }
    alarms_.restore(std::move(alarms));
    refresh();
    return {};
}

std::string RunTab::startRun(const tracking::RunPlan& plan) {
    if (!route_) {
        return "Open a route first";
    }
    for (const tracking::PigLaunch& pig : plan.pigs) {
        if (pig.name.empty()) {
            return "The pig needs a name";
        }
    }
    if (std::string error = tracking::checkRunPlan(*route_, plan); !error.empty()) {
        return error;
    }
    alarms_.clear();
    if (std::exchange(run_, std::make_unique<tracking::PigRun>(*route_, plan)) != nullptr) {
        emit runEnded();
    }
    emit runStarted();
    refresh();
    return {};
}

void RunTab::onStartRequested() {
    const std::string error = startRun(form_->plan());
    routeLabel_->setText(error.empty()
                             ? routeSummary(*route_)
                             : QStringLiteral("The run cannot start: %1").arg(QString::fromStdString(error)));
}

void RunTab::addPassage(tracking::Passage passage) {
    if (run_) {
        emit passageAdded(run_->add(std::move(passage)).passage);
        refresh();
    }
}

void RunTab::refresh() {
    if (!run_) {
        return;
    }
    snapshot_ = {route_.get(), run_->plan(), {run_->passages().begin(), run_->passages().end()}, {}, now()};
    snapshot_.state = run_->evaluate(snapshot_.now);
    const runreport::RunAlarms::Changes changes =
        alarms_.update(*route_, snapshot_.plan, snapshot_.state, snapshot_.now);
    for (const std::size_t i : changes.cleared) {
        const runreport::RunAlarm& alarm = alarms_.all()[i];
        emit alarmCleared(QStringLiteral("%1 reached %2: its overdue alarm is cleared")
                              .arg(QString::fromStdString(snapshot_.plan.pigs[alarm.pig].name),
                                   QString::fromStdString(route_->markers()[alarm.marker].name)));
    }
    for (const std::size_t i : changes.raised) {
        emit alarmRaised(QString::fromStdString(alarms_.all()[i].text));
    }
    if (!changes.raised.empty() || !changes.cleared.empty()) {
        emit alarmsChanged();
    }
    showRun();
}

void RunTab::acknowledge() {
    const runreport::RunAlarm* shown = alarms_.unacknowledged();
    if (shown == nullptr) {
        return;
    }
    const QString text = QString::fromStdString(shown->text);
    alarms_.acknowledge(now());
    emit alarmsChanged();
    showBanner();
    emit alarmsAcknowledged(text);
}

void RunTab::showRun() {
    const std::vector<RunMarkerRow> rows = runMarkerRows(snapshot_);
    model_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const QStringList cells = rows[static_cast<std::size_t>(r)].cells();
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QStandardItem(cells[c]);
            if (rows[static_cast<std::size_t>(r)].overdue) {
                item->setBackground(QColor(230, 60, 60, 110));
            }
            model_->setItem(r, c, item);
        }
    }
    table_->resizeColumnsToContents();
    // Every column in view: the map gives way rather than the table scrolling sideways.
    table_->setMinimumWidth(table_->horizontalHeader()->length() + 2 * table_->frameWidth() +
                            table_->verticalScrollBar()->sizeHint().width());
    const tracking::PigProgress* pig = snapshot_.pig();
    chart_->show(pig != nullptr ? &snapshot_ : nullptr);
    routeView_->show(route_.get(), pig != nullptr && pig->launched
                                       ? std::optional<double>(pig->estimatedChainageMetres)
                                       : std::nullopt);
    reportButton_->setEnabled(pig != nullptr);
    showBanner();
}

void RunTab::showBanner() {
    const runreport::RunAlarm* alarm = alarms_.unacknowledged();
    bannerLabel_->setText(alarm != nullptr
                              ? QStringLiteral("Overdue: %1 (since %2)")
                                    .arg(QString::fromStdString(alarm->text), localText(alarm->raised))
                              : QString());
    banner_->setVisible(alarm != nullptr);
}

QString RunTab::bannerText() const {
    return banner_->isHidden() ? QString() : bannerLabel_->text();
}

QAbstractItemModel& RunTab::markersModel() const {
    return *model_;
}

}  // namespace quorvex::console
