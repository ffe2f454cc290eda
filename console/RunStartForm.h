#pragma once

#include "tracking/RunPlan.h"

#include <QWidget>

class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace quorvex::console {

// What starting a run asks for: the pig's name, where and when it was launched, the speed it is
// planned to go at, and how late it may be at a marker before it is overdue.
class RunStartForm final : public QWidget {
    Q_OBJECT
public:
    explicit RunStartForm(QWidget* parent = nullptr);

    // The route's markers to launch at; none: nothing can be started.
    void setMarkers(const QStringList& names);
    void setLaunchTime(tracking::UtcTime time);
    // The run as filled in (checkRunPlan tells whether the route can run it).
    tracking::RunPlan plan() const;

    QLineEdit& pigName() const { return *pig_; }
    QComboBox& launchMarker() const { return *marker_; }
    QDateTimeEdit& launchTime() const { return *time_; }
    QDoubleSpinBox& plannedSpeed() const { return *speed_; }
    QSpinBox& overduePercent() const { return *percent_; }
    QSpinBox& overdueMinutes() const { return *minutes_; }
    QPushButton& startButton() const { return *start_; }

signals:
    void startRequested();

private:
    QLineEdit* pig_;
    QComboBox* marker_;
    QDateTimeEdit* time_;
    QDoubleSpinBox* speed_;  // km/h
    QSpinBox* percent_;      // of a segment's expected time
    QSpinBox* minutes_;      // but never less
    QPushButton* start_;
};

}  // namespace quorvex::console
