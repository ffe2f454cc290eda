#include "console/RunMarkerRows.h"

#include "console/RunTimeText.h"

#include <map>

namespace quorvex::console {

namespace {

// The unit of each marker's passage of the first pig, by marker.
std::map<std::size_t, QString> unitsOfPassages(const runreport::RunSnapshot& run) {
    std::map<std::size_t, QString> units;
    for (std::size_t i = 0; i < run.state.passages.size() && i < run.passages.size(); ++i) {
        const tracking::PassageOutcome& outcome = run.state.passages[i];
        if (outcome.fate == tracking::PassageFate::Assigned && outcome.pig == 0u && outcome.marker) {
            units[*outcome.marker] = QString::fromStdString(run.passages[i].passage.unit);
        }
    }
    return units;
}

QString stateText(const tracking::CourseMarker& at, bool first, bool seen) {
    // The launch marker is passed by the launch itself until a unit says otherwise.
    if (first && !seen && at.progress == tracking::MarkerProgress::Passed) {
        return QStringLiteral("Launch");
    }
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
            QStringLiteral("State"),        QStringLiteral("Seen by")};
}

std::vector<RunMarkerRow> runMarkerRows(const runreport::RunSnapshot& run) {
    std::vector<RunMarkerRow> rows;
    const tracking::PigProgress* pig = run.pig();
    if (run.route == nullptr || pig == nullptr) {
        return rows;
    }
    const std::map<std::size_t, QString> units = unitsOfPassages(run);
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
        const auto unit = units.find(at.marker);
        row.seenBy = unit != units.end() ? unit->second : QString();
        row.state = stateText(at, rows.size() == 1, unit != units.end());
        row.overdue = at.progress == tracking::MarkerProgress::Overdue;
    }
    return rows;
}

}  // namespace quorvex::console
