#pragma once

#include "console/ISaveFileDialog.h"
#include "journal/JournalReader.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QProgressDialog;
class QThread;
class QWidget;

namespace quorvex::console {

// Exports the journal as the operator asks: the range, then the file (its type's extension added
// to a name typed without one), then the writing on a worker thread behind a progress dialog
// whose Cancel leaves the file as it was. The result is told once, in words.
class PassageExport final : public QObject {
    Q_OBJECT
public:
    // What the operator is told at the end, and whether it is a failure.
    using Tell = std::function<void(const QString& text, bool failed)>;

    PassageExport(std::string journalPath, ISaveFileDialog& saveDialog, Tell tell, QWidget* window);
    ~PassageExport() override;

    // Asks for the range; `session` is this session's journal row, `sessionOnly` the tab's choice.
    void start(std::optional<std::int64_t> session, bool sessionOnly);
    // The export under way, if any, is abandoned and its file left as it was.
    void cancel();
    bool running() const { return worker_ != nullptr; }

    // The target for a name and the type chosen with it: the type's extension is added when the
    // name has none of the known ones.
    static QString withExtension(const QString& name, const QString& chosenFilter);
    // The file name the save dialog opens with, in the folder of the last export.
    QString suggestedName(const quorvex::journal::JournalFilter& filter) const;

private:
    struct Outcome {
        std::string error;
        std::size_t written = 0;
        std::size_t unplaced = 0;
    };

    void chooseFile(const quorvex::journal::JournalFilter& filter);
    void run(const QString& target, const quorvex::journal::JournalFilter& filter);
    void finish();

    std::string journalPath_;
    ISaveFileDialog& saveDialog_;
    Tell tell_;
    QPointer<QWidget> window_;
    QString folder_;
    QString target_;
    QString partial_;
    std::shared_ptr<Outcome> outcome_;
    // Set by Cancel; the worker looks at it before each row and stops writing.
    std::shared_ptr<std::atomic<bool>> stop_;
    QThread* worker_ = nullptr;
    QProgressDialog* progress_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace quorvex::console
