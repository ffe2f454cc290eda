#include "console/PassageExport.h"

#include "console/ExportRangeDlg.h"
#include "journal/JournalExport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace quorvex::console {

namespace {

std::string bytesOf(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

PassageExport::PassageExport(std::string journalPath, ISaveFileDialog& saveDialog, Tell tell, QWidget* window)
    : QObject(window),
      journalPath_(std::move(journalPath)),
      saveDialog_(saveDialog),
      tell_(std::move(tell)),
      window_(window),
      folder_(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)) {
    if (folder_.isEmpty() || !QFileInfo(folder_).isDir()) {
        folder_ = QDir::homePath();
    }
}

PassageExport::~PassageExport() {
    // The program is going: whatever the worker writes is not wanted.
    cancel();
    if (worker_ != nullptr) {
        worker_->wait();
        QFile::remove(partial_);
    }
}

void PassageExport::start(std::optional<std::int64_t> session, bool sessionOnly) {
    if (running()) {
        progress_->show();
        return;
    }
    auto* range = new ExportRangeDlg(session, sessionOnly, window_);
    range->setAttribute(Qt::WA_DeleteOnClose);
    connect(range, &QDialog::accepted, this, [this, range] { chooseFile(range->filter()); });
    range->open();
}

QString PassageExport::withExtension(const QString& name, const QString& chosenFilter) {
    static const QRegularExpression known(QStringLiteral("\\.(csv|gpx|geojson)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (known.match(name).hasMatch()) {
        return name;
    }
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[A-Za-z]+)"));
    const auto match = pattern.match(chosenFilter);
    return match.hasMatch() ? name + match.captured(1) : name + QStringLiteral(".csv");
}

QString PassageExport::suggestedName(const quorvex::journal::JournalFilter& filter) const {
    QString name = QStringLiteral("passages-") + QDate::currentDate().toString(Qt::ISODate);
    if (filter.session) {
        name += QStringLiteral("-session-%1").arg(*filter.session);
    }
    return QDir(folder_).filePath(name + QStringLiteral(".csv"));
}

void PassageExport::chooseFile(const quorvex::journal::JournalFilter& filter) {
    const auto choice = saveDialog_.askSaveFile(
        window_, QStringLiteral("CSV (*.csv);;GPX 1.1 (*.gpx);;GeoJSON (*.geojson)"), suggestedName(filter));
    if (!choice) {
        return;
    }
    run(withExtension(choice->path, choice->filter), filter);
}

void PassageExport::run(const QString& target, const quorvex::journal::JournalFilter& filter) {
    target_ = target;
    folder_ = QFileInfo(target).absolutePath();
    // Written beside the target under a name of its own: a cancelled export leaves the target
    // as it was, even one the operator agreed to replace.
    partial_ = QDir(folder_).filePath(
        QStringLiteral(".%1.%2.part").arg(QFileInfo(target).fileName()).arg(::getpid()));
    cancelled_ = false;
    outcome_ = std::make_shared<Outcome>();
    stop_ = std::make_shared<std::atomic<bool>>(false);
    const auto format =
        journal::exportFormatOfFile(bytesOf(target.toLower())).value_or(journal::ExportFormat::Csv);
    // The worker touches only the journal and the file, never Qt's objects.
    worker_ = QThread::create(
        [outcome = outcome_, stop = stop_, path = journalPath_, filter, format, file = bytesOf(partial_)] {
            journal::JournalReader reader;
            journal::ExportCounts counts;
            outcome->error = reader.open(path);
            if (outcome->error.empty()) {
                outcome->error = journal::exportJournal(reader, filter, format, file, counts,
                                                        [&stop] { return stop->load(); });
            }
            outcome->written = counts.written;
            // Only GPX leaves a row without a point out; CSV and GeoJSON keep it without one.
            outcome->unplaced = format == journal::ExportFormat::Gpx ? counts.unplaced : 0;
        });
    connect(worker_, &QThread::finished, this, &PassageExport::finish, Qt::QueuedConnection);
    progress_ =
        new QProgressDialog(tr("Exporting passages to %1...").arg(target), tr("Cancel"), 0, 0, window_);
    progress_->setWindowTitle(tr("Export Passages"));
    progress_->setMinimumDuration(300);
    connect(progress_, &QProgressDialog::canceled, this, &PassageExport::cancel);
    worker_->start();
}

void PassageExport::cancel() {
    cancelled_ = running();
    if (cancelled_) {
        stop_->store(true);
    }
}

void PassageExport::finish() {
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
    progress_->deleteLater();
    progress_ = nullptr;
    const Outcome outcome = *outcome_;
    if (cancelled_) {
        QFile::remove(partial_);
        tell_(tr("The export was cancelled; %1 is as it was.").arg(target_), false);
        return;
    }
    if (!outcome.error.empty()) {
        QFile::remove(partial_);
        tell_(tr("The passages could not be exported: %1").arg(QString::fromStdString(outcome.error)), true);
        return;
    }
    std::error_code error;
    std::filesystem::rename(bytesOf(partial_), bytesOf(target_), error);
    if (error) {
        QFile::remove(partial_);
        tell_(tr("The passages could not be exported: %1: %2")
                  .arg(target_, QString::fromLocal8Bit(error.message().c_str())),
              true);
        return;
    }
    QString text = outcome.written == 1 ? tr("1 row exported to %1.").arg(target_)
                                        : tr("%1 rows exported to %2.").arg(outcome.written).arg(target_);
    if (outcome.unplaced > 0) {
        text += u' ' + (outcome.unplaced == 1
                            ? tr("1 row without a position was left out.")
                            : tr("%1 rows without a position were left out.").arg(outcome.unplaced));
    }
    tell_(text, false);
}

}  // namespace quorvex::console
