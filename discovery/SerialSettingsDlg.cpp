#include "discovery/SerialSettingsDlg.h"

#include "discovery/ComPortInfo.h"
#include "support/communication/SerialSettingDeclaration.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/Format.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace zeph::windows::discovery {

using namespace communication;

namespace {

constexpr int kDisabledPort = -1;
constexpr int kMaxItemText = 259;

template <typename Set>
void fill(QComboBox* combo) {
    for (const auto& [value, named] : Set::all()) {
        combo->addItem(QString::fromWCharArray(named->name().data(), static_cast<int>(named->name().size())),
                       QVariant::fromValue(static_cast<qlonglong>(value)));
    }
}

QString nameOf(std::wstring_view name) {
    return QString::fromWCharArray(name.data(), static_cast<int>(name.size()));
}

// The first item whose text begins with the name, ignoring case.
void selectStartingWith(QComboBox* combo, std::wstring_view name) {
    combo->setCurrentIndex(combo->findText(nameOf(name), Qt::MatchStartsWith));
}

template <typename Set>
const Set& selected(const QComboBox* combo) {
    return *Set::find(static_cast<typename Set::ValueType>(combo->currentData().toLongLong()));
}

}  // namespace

SerialSettingsDlg::SerialSettingsDlg(QWidget* parent, DiscoveryEnvironment environment)
    : QDialog(parent), environment_(std::move(environment)) {
    setWindowTitle(tr("Serial Settings"));
    setObjectName(QStringLiteral("SerialSettingsDlg"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    buildLayout();
}

void SerialSettingsDlg::buildLayout() {
    const auto combo = [this](const char* name) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    port_ = combo("port");
    baudRate_ = combo("baudRate");
    dataBits_ = combo("dataBits");
    parity_ = combo("parity");
    stopBits_ = combo("stopBits");
    flowControl_ = combo("flowControl");

    auto* portGroup = new QGroupBox(tr("Select a serial port"), this);
    auto* portForm = new QFormLayout(portGroup);
    portForm->addRow(tr("COM Port:"), port_);
    auto* lineGroup = new QGroupBox(tr("Configure the serial port"), this);
    auto* lineForm = new QFormLayout(lineGroup);
    lineForm->addRow(tr("Baud rate:"), baudRate_);
    lineForm->addRow(tr("Data bits:"), dataBits_);
    lineForm->addRow(tr("Parity:"), parity_);
    lineForm->addRow(tr("Stop bits:"), stopBits_);
    lineForm->addRow(tr("Flow control:"), flowControl_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(port_, &QComboBox::currentIndexChanged, this, &SerialSettingsDlg::updateEnabledStates);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(portGroup);
    layout->addWidget(lineGroup);
    layout->addWidget(buttons);
}

void SerialSettingsDlg::showEvent(QShowEvent* event) {
    logging::LogBeacon::log("SerialSettingsDlg::OnInitDialog", logging::DebugLevel1, L" ");
    // Every showing starts afresh: the ports are listed again. A window restored from minimised
    // gets a show event from the system too; it keeps the operator's choices.
    if (!event->spontaneous()) {
        fillCombos();
        selectPreset();
        updateEnabledStates();
    }
    QDialog::showEvent(event);
}

void SerialSettingsDlg::fillCombos() {
    for (QComboBox* combo : {port_, baudRate_, dataBits_, parity_, stopBits_, flowControl_}) {
        combo->clear();
    }
    port_->addItem(QStringLiteral("DISABLED"), kDisabledPort);
    std::vector<ComPortInfo> ports;
    enumerateComPorts(environment_, ports);
    for (const ComPortInfo& port : ports) {
        const std::wstring text = platform::formatMessage(L"COM%d <%s>", port.port, port.description);
        port_->addItem(QString::fromStdWString(text.substr(0, kMaxItemText)), port.port);
    }
    fill<BaudRate>(baudRate_);
    fill<DataBits>(dataBits_);
    fill<Parity>(parity_);
    fill<StopBits>(stopBits_);
    fill<FlowControl>(flowControl_);
}

void SerialSettingsDlg::selectPreset() {
    port_->setCurrentIndex(presetPort_ != 0 ? port_->findData(presetPort_) : 0);
    selectStartingWith(baudRate_, result_.baudRate().name());
    selectStartingWith(dataBits_, result_.dataBits().name());
    selectStartingWith(parity_, result_.parity().name());
    stopBits_->setCurrentIndex(stopBits_->findText(nameOf(result_.stopBits().name()), Qt::MatchExactly));
    selectStartingWith(flowControl_, result_.flowControl().name());
}

void SerialSettingsDlg::updateEnabledStates() {
    const bool portChosen = port_->currentIndex() >= 0;
    const bool lineEnabled = portChosen && port_->currentData().toInt() != kDisabledPort;
    ok_->setEnabled(portChosen);
    const std::pair<QComboBox*, const SerialSettingDeclaration*> bits[] = {
        {baudRate_, &BaudRateSetting},
        {dataBits_, &DataBitsSetting},
        {parity_, &ParitySetting},
        {stopBits_, &StopBitsSetting},
        {flowControl_, &FlowControlSetting}};
    for (const auto& [combo, declaration] : bits) {
        combo->setEnabled(lineEnabled && (enabledMask_ & declaration->bit()) != 0);
    }
}

void SerialSettingsDlg::accept() {
    logging::LogBeacon::log("SerialSettingsDlg::OnOK", logging::DebugLevel1, L" ");
    if (port_->currentIndex() < 0) {
        return;
    }
    const int port = port_->currentData().toInt();
    result_.setPortNumber(port);  // also the path "\\.\COM<port>"
    if (port != kDisabledPort) {
        result_.setBaudRate(selected<BaudRate>(baudRate_));
        result_.setDataBits(selected<DataBits>(dataBits_));
        result_.setParity(selected<Parity>(parity_));
        result_.setStopBits(selected<StopBits>(stopBits_));
        result_.setFlowControl(selected<FlowControl>(flowControl_));
    }
    QDialog::accept();
}

}  // namespace zeph::windows::discovery
