// TelvaneDlg: the passage journal. Rows are handed to the journal's own thread, so the passage
// dialog and its sound never wait on the disk; what the journal says comes back as a message.
#include "console/ControlRoomLink.h"
#include "console/EntryTrace.h"
#include "console/PassageExport.h"
#include "console/PassagesModel.h"
#include "console/PassagesTab.h"
#include "console/TelvaneDlg.h"
#include "journal/Journal.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/RegisteredMessage.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>

#include <cstdio>
#include <memory>

namespace quorvex::console {

namespace {

namespace platform = zeph::platform;
using quorvex::journal::JournalState;

// lParam: a heap std::string, the journal's message.
const platform::UINT WM_JOURNAL_NOTICE = platform::registerWindowMessage(L"QUORVEX_JOURNAL_NOTICE");

}  // namespace

void TelvaneDlg::setJournal(quorvex::journal::Journal* journal) {
    journal_ = journal;
    journalFeed_.emplace(journal, device_);
    controlRoom_->useJournal(journal->path());
    journalPane_ = new QLabel(statusBar());
    journalPane_->hide();
    statusBar()->addPermanentWidget(journalPane_);
    passagesTab_ = new PassagesTab(*journal, [this]() -> std::optional<std::int64_t> {
        const auto session = journalFeed_->latestSession();
        return session ? journal_->sessionRow(*session) : std::nullopt;
    });
    passagesTab_->followLink([this]() -> std::optional<std::vector<std::int64_t>> {
        link::LinkStatus status = controlRoom_->status();
        return status.state == link::LinkState::Off ? std::nullopt
                                                    : std::optional(std::move(status.parkedRows));
    });
    tabs_->addTab(passagesTab_, QStringLiteral("Passages"));
    // In the File menu, above the separator before Exit.
    QMenu* file = menuBar()->actions().front()->menu();
    auto* exportPassages = new QAction(QStringLiteral("Export &Passages..."), this);
    connect(exportPassages, &QAction::triggered, this, [this] { OnExportPassages(); });
    file->insertAction(file->actions().value(1), exportPassages);
    keepRuns(*journal);
}

void TelvaneDlg::OnExportPassages() {
    entryTrace("TelvaneDlg::OnExportPassages");
    if (passageExport_ == nullptr) {
        passageExport_ = new PassageExport(
            journal_->path(), services_.saveDialog,
            [this](const QString& text, bool failed) {
                if (failed) {
                    showBox(text, BoxIcon::Error);
                } else {
                    showStatus(text.toStdString());
                    appendLogLine(text.toStdString() + "\n");
                }
            },
            this);
    }
    const auto session = journalFeed_->latestSession();
    passageExport_->start(session ? journal_->sessionRow(*session) : std::nullopt,
                          passagesTab_->model().session().has_value());
}

void TelvaneDlg::postJournalNotice(platform::HWND window, const std::string& text) {
    auto* posted = new std::string(text);
    if (!platform::postMessage(window, WM_JOURNAL_NOTICE, 0, reinterpret_cast<platform::LPARAM>(posted))) {
        // The window is gone (the journal's last words at the end): the terminal still hears it.
        std::fprintf(stderr, "quorvex-console: %s\n", posted->c_str());
        delete posted;
    }
}

bool TelvaneDlg::journalMessage(platform::UINT message, platform::LPARAM lParam) {
    if (message == WM_JOURNAL_NOTICE) {
        const std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lParam));
        showJournalNotice(*text);
        return true;
    }
    if (journalFeed_) {
        journalFeed_->onDeviceMessage(message, lParam, rules_.port());
        if (journalPane_->isVisible()) {
            refreshJournalStatus();
        }
    }
    return false;
}

void TelvaneDlg::showJournalNotice(const std::string& text) {
    appendLogLine(text + "\n");
    refreshJournalStatus();
}

QString TelvaneDlg::journalStatusText() const {
    if (journal_ == nullptr) {
        return {};
    }
    const auto status = journal_->status();
    if (status.state == JournalState::Off) {
        return QStringLiteral("Journal off");
    }
    QString text;
    if (status.state == JournalState::Waiting) {
        text = QStringLiteral("Journal: %1 rows waiting").arg(status.waiting);
    }
    if (status.lost > 0) {
        // Lost rows stay in sight for the rest of the run, not only in a Log-tab line.
        text += (text.isEmpty() ? QStringLiteral("Journal: ") : QStringLiteral(", ")) +
                QStringLiteral("%1 rows lost").arg(status.lost);
    }
    return text;
}

void TelvaneDlg::refreshJournalStatus() {
    const QString text = journalStatusText();
    journalPane_->setText(text);
    journalPane_->setToolTip(QString::fromStdString(journal_->path()));
    journalPane_->setVisible(!text.isEmpty());
}

}  // namespace quorvex::console
