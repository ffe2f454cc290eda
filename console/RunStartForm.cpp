#include "console/RunStartForm.h"

#include "console/RunTimeText.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

namespace quorvex::console {

namespace {

void addLabelled(QHBoxLayout* layout, const QString& text, QWidget* field) {
    auto* label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    layout->addWidget(label);
    layout->addWidget(field);
}

}  // namespace

RunStartForm::RunStartForm(QWidget* parent)
    : QWidget(parent),
      pig_(new QLineEdit(QStringLiteral("Pig 1"), this)),
      marker_(new QComboBox(this)),
      time_(new QDateTimeEdit(this)),
      speed_(new QDoubleSpinBox(this)),
      percent_(new QSpinBox(this)),
      minutes_(new QSpinBox(this)),
      start_(new QPushButton(QStringLiteral("&Start Run"), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pig_->setMaximumWidth(100);
    time_->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    time_->setCalendarPopup(true);
    time_->setAccessibleName(QStringLiteral("Launch time"));
    speed_->setRange(0.1, 50);
    speed_->setDecimals(1);
    speed_->setValue(4);
    speed_->setSuffix(QStringLiteral(" km/h"));
    percent_->setRange(0, 1000);
    percent_->setValue(50);
    percent_->setSuffix(QStringLiteral(" %"));
    minutes_->setRange(0, 24 * 60);
    minutes_->setValue(5);
    minutes_->setSuffix(QStringLiteral(" min"));
    addLabelled(layout, QStringLiteral("&Pig:"), pig_);
    addLabelled(layout, QStringLiteral("Launched at:"), marker_);
    layout->addWidget(time_);
    addLabelled(layout, QStringLiteral("Sp&eed:"), speed_);
    addLabelled(layout, QStringLiteral("Overdue after:"), percent_);
    addLabelled(layout, QStringLiteral("at least"), minutes_);
    layout->addWidget(start_);
    layout->addStretch(1);
    percent_->setToolTip(QStringLiteral("Of the time the segment is expected to take, past its ETA"));
    connect(start_, &QPushButton::clicked, this, &RunStartForm::startRequested);
    setMarkers({});
}

void RunStartForm::setMarkers(const QStringList& names) {
    marker_->clear();
    marker_->addItems(names);
    setEnabled(!names.isEmpty());
}

void RunStartForm::setLaunchTime(tracking::UtcTime time) {
    time_->setDateTime(toDateTime(time).toLocalTime());
}

tracking::RunPlan RunStartForm::plan() const {
    tracking::RunPlan plan;
    plan.settings.overdueFraction = percent_->value() / 100.0;
    plan.settings.overdueMinimum = std::chrono::minutes(minutes_->value());
    tracking::PigLaunch& pig = plan.pigs.emplace_back();
    pig.name = pig_->text().trimmed().toStdString();
    pig.launchMarker = static_cast<std::size_t>(std::max(0, marker_->currentIndex()));
    pig.launchTime = toUtcTime(time_->dateTime());
    pig.plannedMetresPerSecond = speed_->value() / 3.6;
    return plan;
}

}  // namespace quorvex::console
