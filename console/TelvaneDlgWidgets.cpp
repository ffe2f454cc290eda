// TelvaneDlg: the child widgets (plots, gain meter, selector, tabs) and what the device events
// hand them.
#include "console/CommandIds.h"
#include "console/GainSpin.h"
#include "console/TelvaneDlg.h"
#include "console/plots/AxisHistoryWnd.h"
#include "console/plots/HistoryWnd.h"
#include "console/resources/ConsoleIcon.h"
#include "console/widgets/ChannelSelector.h"
#include "console/widgets/DeviceInfoTab.h"
#include "console/widgets/GainMeter.h"
#include "console/widgets/LogTab.h"
#include "console/widgets/PigPassageDlg.h"
#include "device/ChannelRegistry.h"
#include "device/DeviceState.h"
#include "device/EventRecords.h"
#include "device/IUserInterface.h"
#include "session/FirmwareWindow.h"
#include "session/PassageTime.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace quorvex::console {

namespace {

// The sizes of the plots' row, in pixels.
constexpr int PlotHeight = 194;
constexpr int MeterWidth = 25;
constexpr int HistoryWidth = 495;
constexpr int SpinHeight = 25 / 4 + 25 - 1;
// The axis plot on its tab: 17 pixels in, 474 wide.
constexpr int AxisLeft = 17;
constexpr int AxisWidth = 474;
constexpr int AutoSelectChannel = 0;

QString fromUnit(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}

QToolButton* imageButton(QWidget* parent, const char* icon) {
    auto* button = new QToolButton(parent);
    button->setIcon(consoleIcon(QString::fromLatin1(icon)));
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setEnabled(false);
    return button;
}

}  // namespace

QWidget* TelvaneDlg::createControlsRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    channelSelector_ = new ChannelSelector(device_.getDeviceState(), row);
    channelSelector_->setMinimumWidth(200);
    connect(channelSelector_, &ChannelSelector::choiceMade, this, [this] {
        if (const ChannelRecord* pending = channelSelector_->pendingChannel()) {
            OnSelChangeChannelSelector(pending->id);
        }
    });
    layout->addWidget(channelSelector_);
    liveButton_ = imageButton(row, "live");
    stopButton_ = imageButton(row, "stop");
    recordButton_ = imageButton(row, "record");
    liveButton_->setToolTip(QStringLiteral("Start"));
    stopButton_->setToolTip(QStringLiteral("Stop"));
    recordButton_->setToolTip(QStringLiteral("Record"));
    connect(liveButton_, &QAbstractButton::clicked, this, &TelvaneDlg::OnLive);
    connect(stopButton_, &QAbstractButton::clicked, this, &TelvaneDlg::OnStop);
    connect(recordButton_, &QAbstractButton::clicked, this, &TelvaneDlg::OnRecord);
    for (QAbstractButton* button : {liveButton_, stopButton_, recordButton_}) {
        layout->addWidget(button);
    }
    statusText_ = new QLabel(row);
    QFont font = statusText_->font();
    font.setBold(true);
    statusText_->setFont(font);
    statusText_->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    layout->addWidget(statusText_, 1);
    return row;
}

QWidget* TelvaneDlg::createPlotsRow() {
    auto* row = new QWidget(this);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(0);
    gainMeter_ = new GainMeter(row);
    gainMeter_->setFixedSize(MeterWidth, PlotHeight);
    historyWindow_ = new HistoryWnd(device_.getDeviceState(), row);
    historyWindow_->setFixedSize(HistoryWidth, PlotHeight);
    historyWindow_->reset(HistoryWidth);
    gainSpin_ = new GainSpin([this](int delta) { OnGainSpin(delta); }, row);
    gainSpin_->setFixedSize(MeterWidth, SpinHeight);
    grid->addWidget(gainMeter_, 0, 0);
    grid->addWidget(historyWindow_, 0, 1);
    grid->addWidget(gainSpin_, 1, 0);
    grid->addWidget(createCounters(), 1, 1);
    grid->setColumnStretch(2, 1);
    return row;
}

QWidget* TelvaneDlg::createCounters() {
    auto* counters = new QWidget(this);
    auto* layout = new QHBoxLayout(counters);
    layout->setContentsMargins(0, 4, 0, 0);
    passageEdit_ = new QLineEdit(QStringLiteral("0"), counters);
    ignoredEdit_ = new QLineEdit(QStringLiteral("0"), counters);
    for (auto [label, edit] : {std::pair{"Passages:", passageEdit_}, std::pair{"Ignored:", ignoredEdit_}}) {
        edit->setReadOnly(true);
        edit->setFixedWidth(60);
        layout->addWidget(new QLabel(QString::fromLatin1(label), counters));
        layout->addWidget(edit);
    }
    clearButton_ = new QPushButton(QStringLiteral("Clear"), counters);
    connect(clearButton_, &QPushButton::clicked, this, &TelvaneDlg::OnClear);
    layout->addWidget(clearButton_);
    layout->addStretch(1);
    return counters;
}

QTabWidget* TelvaneDlg::createTabs() {
    tabs_ = new QTabWidget(this);
    logTab_ = new LogTab(tabs_);
    axisHistoryTab_ = new QWidget(tabs_);
    axisHistoryWindow_ = new AxisHistoryWnd(device_.getDeviceState(), axisHistoryTab_);
    axisHistoryWindow_->setGeometry(AxisLeft, 0, AxisWidth, PlotHeight);
    axisHistoryWindow_->reset(AxisWidth);
    axisHistoryTab_->setMinimumSize(AxisLeft + AxisWidth, PlotHeight);
    deviceInfoTab_ = new DeviceInfoTab(tabs_);
    tabs_->addTab(logTab_, QStringLiteral("Log"));
    tabs_->addTab(axisHistoryTab_, QStringLiteral("Axis History"));
    tabs_->addTab(deviceInfoTab_, QStringLiteral("Device Info"));
    tabs_->addTab(createRunTab(), QStringLiteral("Run"));
    tabs_->setTabEnabled(1, false);
    tabs_->setTabEnabled(2, false);
    tabs_->setMinimumHeight(160);
    return tabs_;
}

void TelvaneDlg::resetHistoryWindows() {
    historyWindow_->reset();
    axisHistoryWindow_->reset();
}

void TelvaneDlg::resetGainMeter() {
    gainMeter_->clear();
    gainSpin_->showGain(std::nullopt);
}

void TelvaneDlg::showGain(int gain, int clipping) {
    gainMeter_->showGain(gain, clipping);
    gainSpin_->showGain(gain);
}

void TelvaneDlg::resetChannelSelector() {
    channelSelector_->reset();
}

void TelvaneDlg::showSelector(const SelectorDisplay& display) {
    channelSelector_->setEnabled(display.enabled);
    const ChannelRecord* channel =
        display.channel != nullptr ? display.channel : ChannelRegistry::find(AutoSelectChannel);
    channelSelector_->show(display.automatic ? RecordMode::Automatic : RecordMode::Manual, *channel);
}

void TelvaneDlg::clearDeviceInfo() {
    deviceInfoTab_->clear();
}

void TelvaneDlg::showDeviceInfo() {
    const DeviceState& state = *device_.getDeviceState();
    const DeviceIdentity identity = state.identity();
    deviceInfoTab_->setModel(fromUnit(identity.model));
    deviceInfoTab_->setSerialNumber(fromUnit(identity.nameRemainder));
    deviceInfoTab_->setFirmware(
        QString::fromStdString(firmwareRevisionText(firmwareVersionOf(state.firmware()))));
}

void TelvaneDlg::showGps(zeph::platform::LPARAM record) {
    const auto& gps = *reinterpret_cast<const GpsRecord*>(record);
    deviceInfoTab_->setGPS(gps.latitude, gps.longitude, gps.elevation, gps.hdop, gps.quality);
}

void TelvaneDlg::setHistoryMode() {
    if (const ChannelRecord* channel = device_.getDeviceState()->activeChannel()) {
        historyWindow_->setMode(*channel->kind);
    }
}

void TelvaneDlg::feedSample(const StreamingSample& sample) {
    const DeviceState& state = *device_.getDeviceState();
    const StreamingState& streaming = state.streamingState();
    const bool playing = streaming == StreamingState::Playing;
    if (const ChannelRecord* row = ChannelRegistry::find(sample.channel);
        row != nullptr && playing && !state.logging()) {
        historyWindow_->setActiveTransmitter(row);
        axisHistoryWindow_->setActiveTransmitter(row);
    }
    if (playing) {
        historyWindow_->addSample(sample);
        axisHistoryWindow_->addSample(sample);
    } else if (!(streaming == StreamingState::Stopped)) {
        historyWindow_->setCurrentSample(sample);
    }
}

void TelvaneDlg::setActiveTransmitter() {
    const ChannelRecord* active = device_.getDeviceState()->activeChannel();
    historyWindow_->setActiveTransmitter(active);
    axisHistoryWindow_->setActiveTransmitter(active);
}

void TelvaneDlg::playSound(SoundEvent event) {
    if (services_.sounds != nullptr) {
        services_.sounds->play(event);
    }
}

void TelvaneDlg::openPassageDialog(zeph::platform::LPARAM record) {
    const std::vector<PigPassageDlg*> open = PigPassageDlg::openDialogs();
    if (open.empty()) {
        passagesBeyondDialogs_ = 0;
    }
    // A flood of passages would bury the desktop in windows and keep the main window waiting for
    // good. Past the limit, and until the operator has closed them all, the newest dialog counts
    // the passages instead (the log tab and the counter still have every one), and opening none
    // leaves the main window, with Stop and Disconnect, usable once any dialog is closed.
    if (passagesBeyondDialogs_ > 0 || open.size() >= MaxPassageDialogs) {
        ++passagesBeyondDialogs_;
        if (newestPassage_ == nullptr || !newestPassage_->isVisible()) {
            newestPassage_ = open.back();
        }
        newestPassage_->showLaterPassages(passagesBeyondDialogs_);
        return;
    }
    const auto& passage = *reinterpret_cast<const PassageRecord*>(record);
    const DeviceState& state = *device_.getDeviceState();
    const std::size_t folder = state.folderValues()[5];
    const WorkingFolderNames names = state.workingFolderNames();
    auto* dialog = new PigPassageDlg({[this] { beginWait(); }, [this] { endWait(); }}, this);
    dialog->setData(passageUtcTime(passage), passage.latitude, passage.longitude, passage.elevation,
                    folder < names.size() ? fromUnit(names[folder]) : QString());
    dialog->showModeless();
    newestPassage_ = dialog;
}

}  // namespace quorvex::console
