#include "console/RunMarkerRows.h"

#include "console/RunTimeText.h"

namespace quorvex::console {

namespace {

QString stateText(const tracking::CourseMarker& at, bool first) {
    switch (at.progress) {
        case tracking::MarkerProgress::Passed:
            return QStringLiteral("Passed");
        case tracking::MarkerProgress::Missed:
            return QStringLiteral("Missed");
        case tracking::MarkerProgress::Overdue:
            return QStringLiteral("Overdue");
        case tracking::MarkerProgress::Ahead:
            break;
    }
    return first ? QStringLiteral("Launch") : QStringLiteral("Ahead");
}

}  // namespace

QStringList runMarkerHeadings() {
    return {QStringLiteral("Marker"),       QStringLiteral("Chainage"), QStringLiteral("Passed (local)"),
            QStringLiteral("Passed (UTC)"), QStringLiteral("Speed"),    QStringLiteral("ETA (local)"),
            QStringLiteral("State")};
}

std::vector<RunMarkerRow> runMarkerRows(const RunSnapshot& run) {
    std::vector<RunMarkerRow> rows;
    const tracking::PigProgress* pig = run.pig();
    if (run.route == nullptr || pig == nullptr) {
        return rows;
    }
    for (const tracking::CourseMarker& at : pig->course) {
        const tracking::Marker& marker = run.route->markers()[at.marker];
        RunMarkerRow& row = rows.emplace_back();
        row.name = QString::fromStdString(marker.name);
        row.chainage = kilometresText(marker.chainageMetres);
        if (at.passedAt) {
            row.passedLocal = localText(*at.passedAt);
            row.passedUtc = utcText(*at.passedAt);
        }
        if (at.segmentMetresPerSecond) {
            row.speed = speedText(*at.segmentMetresPerSecond) +
                        (at.speedOutOfBand ? QStringLiteral(" (out of band)") : QString());
        }
        if (at.eta) {
            row.eta = localText(*at.eta);
        }
        row.state = stateText(at, rows.size() == 1);
        row.overdue = at.progress == tracking::MarkerProgress::Overdue;
    }
    return rows;
}

}  // namespace quorvex::console
