#include "console/RunTimeText.h"

#include "tracking/RunEvaluation.h"

#include <QTimeZone>

namespace quorvex::console {

namespace {

const QString Format = QStringLiteral("yyyy-MM-dd HH:mm:ss");

}  // namespace

QDateTime toDateTime(tracking::UtcTime time) {
    const auto ms = std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
}

tracking::UtcTime toUtcTime(const QDateTime& time) {
    return tracking::UtcTime(std::chrono::milliseconds(time.toMSecsSinceEpoch()));
}

QString localText(tracking::UtcTime time) {
    return toDateTime(time).toLocalTime().toString(Format);
}

QString utcText(tracking::UtcTime time) {
    return toDateTime(time).toString(Format) + QLatin1Char('Z');
}

QString kilometresText(double metres) {
    return QString::number(metres / 1000, 'f', 3) + QStringLiteral(" km");
}

QString speedText(double metresPerSecond) {
    return QString::number(tracking::kilometresPerHour(metresPerSecond), 'f', 1) + QStringLiteral(" km/h");
}

}  // namespace quorvex::console
