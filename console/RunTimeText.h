#pragma once

#include "tracking/RunPlan.h"

#include <QDateTime>
#include <QString>

namespace quorvex::console {

// A moment of a run as Qt knows it, and as the Run tab writes it: local time for the crew, UTC
// for the record ("2026-12-07 08:40:00" and "2026-12-07 08:40:00Z").
QDateTime toDateTime(tracking::UtcTime time);
tracking::UtcTime toUtcTime(const QDateTime& time);
QString localText(tracking::UtcTime time);
QString utcText(tracking::UtcTime time);
// Chainage in kilometres with its unit ("12.345 km"), speed in km/h ("4.3 km/h").
QString kilometresText(double metres);
QString speedText(double metresPerSecond);

}  // namespace quorvex::console
