// TelvaneDlg: the operator's commands, each a call on the device stack.
#include "console/CommandIds.h"
#include "console/EntryTrace.h"
#include "console/QuickStart.h"
#include "console/TelvaneDlg.h"
#include "console/widgets/LogTab.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/FileReplacement.h"
#include "support/platform/SystemText.h"
#include "support/version/Version.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>

namespace quorvex::console {

namespace {

// The text as UTF-16 little-endian code units, without a byte-order mark.
std::string utf16LittleEndian(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()) * 2);
    for (const QChar unit : text) {
        bytes.push_back(static_cast<char>(unit.unicode() & 0xFF));
        bytes.push_back(static_cast<char>(unit.unicode() >> 8));
    }
    return bytes;
}

}  // namespace

void TelvaneDlg::setSerialSettings(const zeph::windows::communication::SerialSettings& settings) {
    serialSettings_ = settings;
    refreshCommandState();
}

void TelvaneDlg::OnConnect() {
    resetHistoryWindows();
    resetGainMeter();
    logTab_->clear();
    clearDebugConsole();
    rules_.connect(messageWindow_, serialSettings_);
    refreshCommandState();
}

void TelvaneDlg::OnDisconnect() {
    entryTrace("TelvaneDlg::OnDisconnect");
    rules_.disconnect();
}

void TelvaneDlg::OnLive() {
    entryTrace("TelvaneDlg::OnLive");
    const DeviceState& state = *device_.getDeviceState();
    if (state.operatingMode() == OperatingMode::Command) {
        beginWait();
        resetHistoryWindows();
        // The wait ends with the first streaming data.
        device_.startStreaming();
        return;
    }
    if (state.streamingState() == StreamingState::Playing) {
        device_.pauseStreaming();
        setActiveTransmitter();
    } else if (state.streamingState() == StreamingState::Paused) {
        device_.resumeStreaming();
    }
    refreshCommandState();
}

void TelvaneDlg::OnStop() {
    entryTrace("TelvaneDlg::OnStop");
    device_.stopStreaming();
    refreshCommandState();
}

void TelvaneDlg::OnRecord() {
    entryTrace("TelvaneDlg::OnRecord");
    if (device_.getDeviceState()->logging()) {
        device_.stopRecording();
    } else {
        device_.startRecording();
    }
}

void TelvaneDlg::OnGainSpin(int delta) {
    entryTrace("TelvaneDlg::OnGainSpin");
    if (delta == -1) {
        device_.incGain();
    } else {
        device_.decGain();
    }
}

void TelvaneDlg::OnWorkingFolder(int id) {
    entryTrace("TelvaneDlg::OnWorkingFolder");
    device_.setWorkingFolder(id - (ID_WORKING_FOLDER_1 - 1));
}

void TelvaneDlg::OnClear() {
    entryTrace("TelvaneDlg::OnClear");
    logTab_->clear();
    rules_.clearCounters();
    passageEdit_->setText(QStringLiteral("0"));
    ignoredEdit_->setText(QStringLiteral("0"));
}

void TelvaneDlg::OnSave() {
    entryTrace("TelvaneDlg::OnSave");
    const auto name = services_.saveDialog.askFileName(this, QStringLiteral("Text Files (*.txt)"));
    if (!name) {
        return;
    }
    // A full disk must not leave half a log in place of the file the operator had.
    const zeph::platform::DWORD error = zeph::platform::replaceFileContents(
        QFile::encodeName(*name).toStdString(), utf16LittleEndian(logTab_->plainText()));
    if (error != 0) {
        using namespace zeph::windows::logging;
        LogBeacon::log("TelvaneDlg::OnSave", Error, L"The log could not be saved to %s, [%d].",
                       name->toStdWString(), error);
        LogBeacon::logSystemError("TelvaneDlg::OnSave", error);
        const QString reason =
            QString::fromStdWString(zeph::platform::systemText(error).value_or(L"")).trimmed();
        showBox(QStringLiteral("The log could not be saved to %1: %2").arg(*name, reason), BoxIcon::Error);
    }
}

void TelvaneDlg::OnHelp() {
    entryTrace("TelvaneDlg::OnHelp");
    // Without a word the operator would not know whether the guide is missing or only unopened.
    const auto path = quickStartPath();
    if (!path) {
        showBox(QStringLiteral("The quick-start guide QuickStart.pdf is not installed beside the program."),
                BoxIcon::Error);
    } else if (!services_.desktop.openFile(*path)) {
        showBox(QStringLiteral("No program to show PDF files is installed. The quick-start guide is %1")
                    .arg(QDir::toNativeSeparators(*path)),
                BoxIcon::Information);
    }
}

void TelvaneDlg::OnAbout() {
    entryTrace("TelvaneDlg::OnAbout");
    QMessageBox::about(
        this, QStringLiteral("About QUORVEX Telvane"),
        QStringLiteral("QUORVEX Telvane\nVersion %1").arg(QString::fromLatin1(quorvex::Version)));
}

void TelvaneDlg::OnSelChangeChannelSelector(int pendingChannel) {
    entryTrace("TelvaneDlg::OnSelChangeChannelSelector");
    // Refused or not, the selector shows the unit's choice until the unit reports a new one.
    rules_.selectChannel(pendingChannel);
    refreshCommandState();
}

}  // namespace quorvex::console
