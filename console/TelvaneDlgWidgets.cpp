// TelvaneDlg: the places of the child widgets (plots, gain meter, selector, tabs) and what the
// device events hand them. The widgets themselves are drawn elsewhere; each place here is one
// spot to put the real widget in.
#include "console/CommandIds.h"
#include "console/GainSpin.h"
#include "console/TelvaneDlg.h"
#include "console/resources/ConsoleIcon.h"
#include "device/ChannelRegistry.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

namespace quorvex::console {

namespace {

// The sizes of the plots' row, in pixels.
constexpr int PlotHeight = 194;
constexpr int MeterWidth = 25;
constexpr int HistoryWidth = 495;
constexpr int SpinHeight = 25 / 4 + 25 - 1;

QWidget* placeholder(QWidget* parent, int width, int height, const char* name) {
    auto* widget = new QWidget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setFixedSize(width, height);
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    widget->setPalette(palette);
    return widget;
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
    channelSelector_ = new QComboBox(row);
    for (const auto& [id, channel] : ChannelRegistry::all()) {
        channelSelector_->addItem(QString::fromStdWString(channel.name), id);
    }
    connect(channelSelector_, &QComboBox::activated, this,
            [this](int index) { OnSelChangeChannelSelector(channelSelector_->itemData(index).toInt()); });
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
    gainMeter_ = placeholder(row, MeterWidth, PlotHeight, "gainMeter");
    historyWindow_ = placeholder(row, HistoryWidth, PlotHeight, "historyWindow");
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
    auto* clear = new QPushButton(QStringLiteral("Clear"), counters);
    connect(clear, &QPushButton::clicked, this, &TelvaneDlg::OnClear);
    layout->addWidget(clear);
    layout->addStretch(1);
    return counters;
}

QTabWidget* TelvaneDlg::createTabs() {
    tabs_ = new QTabWidget(this);
    logTab_ = new QTextEdit(tabs_);
    logTab_->setReadOnly(true);
    axisHistoryTab_ = new QWidget(tabs_);
    deviceInfoTab_ = new QWidget(tabs_);
    tabs_->addTab(logTab_, QStringLiteral("Log"));
    tabs_->addTab(axisHistoryTab_, QStringLiteral("Axis History"));
    tabs_->addTab(deviceInfoTab_, QStringLiteral("Device Info"));
    tabs_->setTabEnabled(1, false);
    tabs_->setTabEnabled(2, false);
    tabs_->setMinimumHeight(160);
    return tabs_;
}

void TelvaneDlg::resetHistoryWindows() {
    historyWindow_->update();
}

void TelvaneDlg::resetGainMeter() {
    gainMeter_->update();
}

void TelvaneDlg::showGain(int, int) {
    gainMeter_->update();
}

void TelvaneDlg::resetChannelSelector() {
    channelSelector_->setCurrentIndex(channelSelector_->findData(0));
}

void TelvaneDlg::showSelector(const SelectorDisplay& display) {
    channelSelector_->setEnabled(display.enabled);
    const int id = display.automatic || display.channel == nullptr ? 0 : display.channel->id;
    channelSelector_->setCurrentIndex(channelSelector_->findData(id));
}

void TelvaneDlg::clearDeviceInfo() {}

void TelvaneDlg::showDeviceInfo() {}

void TelvaneDlg::showGps(zeph::platform::LPARAM) {}

void TelvaneDlg::setHistoryMode() {}

void TelvaneDlg::feedSample(bool, zeph::platform::LPARAM) {
    historyWindow_->update();
}

void TelvaneDlg::setActiveTransmitter() {}

void TelvaneDlg::playSound(const char*) {}

void TelvaneDlg::openPassageDialog(zeph::platform::LPARAM) {}

}  // namespace quorvex::console
