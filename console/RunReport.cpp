#include "console/RunReport.h"

#include "console/RunChart.h"
#include "console/RunMarkerRows.h"
#include "console/RunTimeText.h"
#include "runreport/RunExport.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

namespace quorvex::console {

namespace {

const QSize ChartPixels(1600, 700);

QString cell(const QString& text, const char* tag = "td") {
    return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), text.toHtmlEscaped());
}

QString markersTable(const runreport::RunSnapshot& run) {
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>");
    for (const QString& heading : runMarkerHeadings()) {
        html += cell(heading, "th");
    }
    html += QStringLiteral("</tr>");
    for (const RunMarkerRow& row : runMarkerRows(run)) {
        html += QStringLiteral("<tr>");
        for (const QString& text : row.cells()) {
            html += cell(text);
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString alarmsTable(std::span<const runreport::RunAlarm> alarms) {
    if (alarms.empty()) {
        return QStringLiteral("<p>No marker was overdue.</p>");
    }
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>") +
                   cell(QStringLiteral("Alarm"), "th") + cell(QStringLiteral("Raised (UTC)"), "th") +
                   cell(QStringLiteral("Acknowledged (UTC)"), "th") +
                   cell(QStringLiteral("Cleared (UTC)"), "th") + QStringLiteral("</tr>");
    const auto when = [](const std::optional<tracking::UtcTime>& time) {
        return time ? utcText(*time) : QString();
    };
    for (const runreport::RunAlarm& alarm : alarms) {
        html += QStringLiteral("<tr>") + cell(QString::fromStdString(alarm.text)) +
                cell(utcText(alarm.raised)) + cell(when(alarm.acknowledged)) + cell(when(alarm.cleared)) +
                QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString summary(const runreport::RunSnapshot& run) {
    const tracking::Route& route = *run.route;
    const tracking::PigLaunch& pig = run.plan.pigs.front();
    const tracking::PigProgress& progress = *run.pig();
    return QStringLiteral(
               "<p>Route: %1, %2, %3 markers<br>Pig: %4, launched at %5 on %6 (%7)<br>"
               "Planned speed: %8; speed now: %9 (%10)<br>Estimated chainage at %11: %12</p>")
        .arg(QString::fromStdString(route.name()).toHtmlEscaped(), kilometresText(route.lengthMetres()))
        .arg(route.markers().size())
        .arg(QString::fromStdString(pig.name).toHtmlEscaped(),
             QString::fromStdString(route.markers()[pig.launchMarker].name).toHtmlEscaped(),
             localText(pig.launchTime), utcText(pig.launchTime), speedText(pig.plannedMetresPerSecond),
             speedText(progress.metresPerSecond),
             progress.speedMeasured ? QStringLiteral("measured") : QStringLiteral("planned"),
             utcText(run.now), kilometresText(progress.estimatedChainageMetres));
}

QImage chartImage(const runreport::RunSnapshot& run) {
    QImage image(ChartPixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    // Paper is white whatever the desktop's colours.
    QPalette paper;
    paper.setColor(QPalette::WindowText, Qt::black);
    paper.setColor(QPalette::Mid, QColor(160, 160, 160));
    paper.setColor(QPalette::Base, Qt::white);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(22);
    painter.setFont(font);
    painter.scale(2, 2);
    paintRunChart(painter, runChartGeometry(run, QSizeF(ChartPixels) / 2), paper);
    return image;
}

std::string writePdf(const runreport::RunSnapshot& run, std::span<const runreport::RunAlarm> alarms,
                     const QString& path) {
    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("chart.png")), chartImage(run));
    document.setHtml(runReportHtml(run, alarms));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString().toStdString();
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setTitle(QStringLiteral("Pig run report"));
        document.print(&writer);
    }
    file.close();
    return file.error() == QFileDevice::NoError ? std::string() : file.errorString().toStdString();
}

std::string writeText(const std::string& text, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
        !file.commit()) {
        return file.errorString().toStdString();
    }
    return {};
}

}  // namespace

QString runReportHtml(const runreport::RunSnapshot& run, std::span<const runreport::RunAlarm> alarms) {
    return QStringLiteral("<h1>Pig run report</h1>") + summary(run) +
           QStringLiteral(
               "<h2>Chainage over time</h2><p><img src=\"chart.png\" width=\"640\"></p>"
               "<h2>Markers</h2>") +
           markersTable(run) + QStringLiteral("<h2>Alarms</h2>") + alarmsTable(alarms);
}

std::string writeRunReport(const runreport::RunSnapshot& run, std::span<const runreport::RunAlarm> alarms,
                           const QString& path) {
    if (run.route == nullptr || run.pig() == nullptr) {
        return "no run has been started";
    }
    const QString suffix = path.section(QLatin1Char('.'), -1).toLower();
    if (suffix == QLatin1String("csv")) {
        return writeText(runreport::runCsv(run), path);
    }
    if (suffix == QLatin1String("geojson") || suffix == QLatin1String("json")) {
        return writeText(runreport::runGeoJson(run, alarms), path);
    }
    return writePdf(run, alarms, path);
}

}  // namespace quorvex::console
