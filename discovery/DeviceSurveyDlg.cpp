#include "discovery/DeviceSurveyDlg.h"

#include "discovery/DeviceMonitor.h"
#include "discovery/LocalRadios.h"
#include "discovery/RfcommPort.h"
#include "discovery/SurveyImages.h"
#include "discovery/SurveyList.h"
#include "support/communication/PortDirectory.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/Format.h"
#include "support/platform/TextConversion.h"
#include "support/platform/Wait.h"
#include "support/threading/ThreadState.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace zeph::windows::discovery {

using logging::LogBeacon;
using platform::DWORD;
using system::threading::ThreadState;

namespace {

constexpr DWORD kDiscardTimeoutMs = 2000;
// How often the paired units are asked for again while the survey is open.
constexpr int kRefreshMs = 2000;
constexpr DWORD kCloseTimeoutMs = 10000;

void traceEntry(const char* context) {
    LogBeacon::log(context, logging::DebugLevel1, L" ");
}

QString qt(const std::wstring& text) {
    return QString::fromStdWString(text);
}

bool isUnitName(const std::wstring& name) {
    return name.starts_with(L"M410") || name.starts_with(L"M450");
}

int imageOf(std::int32_t status) {
    switch (status) {
        case QUORVEX_STATUS_FAILED:
            return FailedImage;
        case QUORVEX_STATUS_ERROR:
            return ErrorImage;
        case QUORVEX_STATUS_READY:
            return ReadyImage;
        default:
            return ExaminingImage;
    }
}

bool isBluetoothPort(const std::wstring& description) {
    return description.find(L"Bluetooth") != std::wstring::npos ||
           description.find(L"BT Port") != std::wstring::npos;
}

// New serial devices get their COM number as they appear, as at start-up.
bool isNumberedFamily(const std::filesystem::path& deviceNode) {
    const std::string name = deviceNode.filename().string();
    return name.starts_with("rfcomm") || name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

}  // namespace

DeviceSurveyDlg::DeviceSurveyDlg(QWidget* parent, IBluetoothMgr& manager, DiscoveryEnvironment environment)
    : QDialog(parent), manager_(manager), environment_(std::move(environment)), images_(loadSurveyImages()) {
    setWindowTitle(tr("Select Device"));
    setObjectName(QStringLiteral("DeviceSurveyDlg"));
    setWindowIcon(images_[ReadyImage]);
    // A window of its own: the main window waits, disabled, while the survey is open, and Qt would
    // otherwise grey out the survey with it.
    setEnabled(true);
    buildLayout();
    monitor_ = new DeviceMonitor(this);
    connect(monitor_, &DeviceMonitor::portArrived, this, &DeviceSurveyDlg::onPortArrived);
    connect(monitor_, &DeviceMonitor::portRemoved, this, &DeviceSurveyDlg::onPortRemoved);

    enumerateSerialPorts(false);
    refreshBindings();
    const DWORD initialized = manager_.initialize();
    bluetoothReady_ = initialized == 0 || initialized == platform::ERROR_ALREADY_INITIALIZED;
    if (!bluetoothReady_) {
        LogBeacon::log("DeviceSurveyDlg::OnInitDialog", logging::Error,
                       L"Failed initializing the Bluetooth Manager, [%d].", initialized);
        LogBeacon::logSystemError("DeviceSurveyDlg::OnInitDialog", initialized);
    } else {
        startSearch();
        // Pairing and unpairing show up in the searches that follow: BlueZ keeps a bound serial
        // link after its device is removed, so the ports alone would not tell.
        auto* refreshTimer = new QTimer(this);
        connect(refreshTimer, &QTimer::timeout, this, &DeviceSurveyDlg::refresh);
        refreshTimer->start(kRefreshMs);
    }
    updateHint();
    updateOk();
}

DeviceSurveyDlg::~DeviceSurveyDlg() {
    // Destroyed without done (its parent went first): the workers and the manager still stop.
    shutdownWorkers();
    if (!finished_) {
        search_.disconnect();
        manager_.finalize();
    }
}

void DeviceSurveyDlg::buildLayout() {
    auto* caption = new QLabel(tr("Select a device to connect with :"), this);
    // The caption's dark blue, lightened on a dark palette so that it stays readable.
    const bool darkPalette = palette().color(QPalette::Window).lightness() < 128;
    caption->setStyleSheet(darkPalette ? QStringLiteral("color: rgb(120, 170, 255);")
                                       : QStringLiteral("color: rgb(0, 51, 143);"));
    list_ = new SurveyList(this);
    list_->setObjectName(QStringLiteral("deviceList"));
    list_->setMinimumSize(420, 300);
    showAll_ = new QCheckBox(tr("Show all serial ports"), this);
    showAll_->setObjectName(QStringLiteral("showAllSerialPorts"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("hintLine"));
    hint_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemSelectionChanged, this, &DeviceSurveyDlg::onSelectionChanged);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
        if (ok_->isEnabled()) {
            accept();
        }
    });
    connect(showAll_, &QCheckBox::clicked, this, &DeviceSurveyDlg::onShowAllSerialPorts);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(list_, 1);
    layout->addWidget(showAll_);
    layout->addWidget(status_);
    layout->addWidget(hint_);
    layout->addWidget(buttons);
}

bool DeviceSurveyDlg::enumerateSerialPorts(bool showAll) {
    return listSerialPorts(serialPortsToList(showAll));
}

std::vector<ComPortInfo> DeviceSurveyDlg::serialPortsToList(bool showAll) const {
    std::vector<ComPortInfo> ports;
    enumerateComPorts(environment_, ports);
    if (!showAll) {
        std::erase_if(ports, [](const ComPortInfo& port) { return isBluetoothPort(port.description); });
    }
    return ports;
}

bool DeviceSurveyDlg::listSerialPorts(const std::vector<ComPortInfo>& ports) {
    constexpr const char* context = "DeviceSurveyDlg::enumerateSerialPorts";
    LogBeacon::log(context, logging::DebugLevel1, L" ");
    if (ports.empty()) {
        return false;
    }
    for (const ComPortInfo& port : ports) {
        LogBeacon::log(context, logging::DebugLevel4, L"Port Num: %d, Friendly Name: %s", port.port,
                       port.description);
        serialDevices_.push_back(tagSERIAL_DEVICE{
            port.port, platform::formatMessage(L"\\\\.\\COM%d", port.port), port.description});
        QListWidgetItem* tile =
            list_->addTile(SurveyList::SerialPortsGroup, QStringLiteral("COM%1").arg(port.port),
                           SerialPortImage, images_[SerialPortImage]);
        tile->setToolTip(qt(port.description));
    }
    return true;
}

void DeviceSurveyDlg::relistSerialPorts() {
    const std::vector<ComPortInfo> ports = serialPortsToList(showAll_->isChecked());
    const bool unchanged =
        std::equal(ports.begin(), ports.end(), serialDevices_.begin(), serialDevices_.end(),
                   [](const ComPortInfo& port, const tagSERIAL_DEVICE& listed) {
                       return port.port == listed.port && port.description == listed.friendlyName;
                   });
    if (unchanged) {
        return;  // udev tells of every tty: most events change nothing here
    }
    const QListWidgetItem* selected = list_->selectedTile();
    const QString chosen =
        SurveyList::groupOf(selected) == SurveyList::SerialPortsGroup ? selected->text() : QString();
    const QList<QListWidgetItem*> tiles = list_->tiles(SurveyList::SerialPortsGroup);
    for (auto it = tiles.rbegin(); it != tiles.rend(); ++it) {
        delete *it;
    }
    serialDevices_.clear();
    listSerialPorts(ports);
    if (QListWidgetItem* again = list_->findTile(SurveyList::SerialPortsGroup, chosen); again != nullptr) {
        again->setSelected(true);
    }
    updateOk();
}

void DeviceSurveyDlg::onShowAllSerialPorts() {
    traceEntry("DeviceSurveyDlg::OnShowAllSerialPorts");
    relistSerialPorts();
}

void DeviceSurveyDlg::refresh() {
    if (!busy_ && !search_.connected()) {
        startSearch(false);
    }
}

void DeviceSurveyDlg::startSearch(bool busy) {
    BLUETOOTH_DEVICE_SEARCH_PARAMS params;
    params.fReturnAuthenticated = true;
    params.fReturnRemembered = true;
    params.fReturnUnknown = false;
    params.fReturnConnected = true;
    params.fIssueInquiry = false;
    params.cTimeoutMultiplier = 1;
    boost::signals2::connection connection;
    const DWORD result = manager_.enumerateDevices(
        &params,
        [this](const DWORD& code, const std::vector<BluetoothDevice>* devices) {
            onBluetoothDevices(code, devices);
        },
        connection);
    search_ = connection;
    if (result == 0) {
        if (busy) {
            setBusy(true);
        }
    } else {
        search_.disconnect();
    }
}

void DeviceSurveyDlg::setBusy(bool busy) {
    busy_ = busy;
    setEnabled(!busy);
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

void DeviceSurveyDlg::onBluetoothDevices(const DWORD& code, const std::vector<BluetoothDevice>* devices) {
    traceEntry("DeviceSurveyDlg::onBluetoothDevices");
    noteRadio(code);
    searchFailed_ = code != 0 && code != platform::ERROR_NO_MORE_ITEMS && radio_ == Radio::On;
    setBusy(false);
    refreshBindings();
    if (code == 0 && devices != nullptr) {
        for (const BluetoothDevice& device : *devices) {
            if (isUnitName(device.szName) && !entries_.contains(device.szName) &&
                !linkGone_.contains(searchTextOf(device.Address))) {
                addUnit(device);
            }
        }
        removeUnitsNotIn(*devices);
    } else if (code == platform::ERROR_NO_MORE_ITEMS || radio_ != Radio::On) {
        removeUnitsNotIn({});  // no paired device left, or no radio to reach them with
    }
    search_.disconnect();
    updateHint();
    updateOk();
}

void DeviceSurveyDlg::noteRadio(DWORD code) {
    if (code == platform::ERROR_NOT_READY) {
        radio_ = Radio::Off;
        return;
    }
    const std::shared_ptr<const BluetoothRadio> kept = manager_.getRadio();
    const std::vector<BluetoothRadio> radios = listLocalRadios(environment_.sysRoot);
    const bool present = kept && std::any_of(radios.begin(), radios.end(), [&](const BluetoothRadio& radio) {
                             return radio.name == kept->name;
                         });
    radio_ = code == 0 || code == platform::ERROR_NO_MORE_ITEMS || present ? Radio::On : Radio::Gone;
}

void DeviceSurveyDlg::refreshBindings() {
    bindings_ = rfcommBindings(environment_);
    std::erase_if(linkGone_, [this](const std::wstring& unit) {
        return std::any_of(bindings_.begin(), bindings_.end(),
                           [&](const auto& binding) { return binding.second == unit; });
    });
}

void DeviceSurveyDlg::addUnit(const BluetoothDevice& device) {
    SurveyEntry& entry = entries_[device.szName];
    entry.device = std::make_unique<BluetoothDevice>(device);
    startWorker(entry);
    list_->addTile(SurveyList::UnitsGroup, qt(device.szName), entry.thread ? ExaminingImage : FailedImage,
                   images_[entry.thread ? ExaminingImage : FailedImage]);
    if (entry.thread) {
        entry.thread->resume();
    }
}

// Leaves the worker suspended, or the entry without one when it could not start.
void DeviceSurveyDlg::startWorker(SurveyEntry& entry) {
    entry.status = 0;
    entry.text.clear();
    entry.port = -1;
    entry.statusSignal = std::make_unique<QuorvexStatusSignal>();
    entry.connection =
        entry.statusSignal->connect([this](const tagQUORVEX_STATUS& status) { onDeviceStatus(status); });
    entry.thread = std::make_unique<system::threading::ThreadImpl<QuorvexEnumThread>>();
    const std::shared_ptr<const BluetoothRadio> radio = manager_.getRadio();
    EnumThreadParams params{radio.get(), entry.device.get(), entry.statusSignal.get(), &environment_};
    const std::string name = "QuorvexEnumThread-" + platform::narrow(displayAddressOf(entry.device->Address));
    if (entry.thread->create(name.c_str(), &params, system::threading::CREATE_SUSPENDED, 0, nullptr) != 0) {
        entry.thread->getWorker().closeRelayWindow();
        entry.thread.reset();
        entry.connection.disconnect();
        entry.statusSignal.reset();
    }
}

void DeviceSurveyDlg::stopWorker(SurveyEntry& entry, DWORD timeoutMs) {
    if (!entry.thread) {
        return;
    }
    // First the relay window: a worker waiting to report returns at once instead of waiting
    // for this thread, which is about to wait for it.
    entry.thread->getWorker().closeRelayWindow();
    if (entry.thread->getState() == ThreadState::Suspended) {
        entry.thread->resume();
    }
    entry.thread->shutdown(timeoutMs);
    entry.thread.reset();
    entry.connection.disconnect();
    entry.statusSignal.reset();
}

void DeviceSurveyDlg::onDeviceStatus(const tagQUORVEX_STATUS& status) {
    traceEntry("DeviceSurveyDlg::onDeviceStatus");
    if (status.device == nullptr) {
        return;
    }
    QListWidgetItem* tile = list_->findTile(SurveyList::UnitsGroup, qt(status.device->szName));
    const auto entry = entries_.find(status.device->szName);
    if (tile == nullptr || entry == entries_.end()) {
        return;
    }
    entry->second.status = status.status;
    entry->second.text = status.text;
    entry->second.port = status.port;
    entry->second.error = status.error;
    const int image = imageOf(status.status);
    tile->setData(SurveyList::ImageRole, image);
    tile->setIcon(images_[image]);
    if (tile == list_->selectedTile()) {
        status_->setText(qt(status.text));
    }
    updateHint();
    updateOk();
}

void DeviceSurveyDlg::onSelectionChanged() {
    traceEntry("DeviceSurveyDlg::OnItemChanged");
    const QListWidgetItem* tile = list_->selectedTile();
    if (SurveyList::groupOf(tile) == SurveyList::UnitsGroup) {
        const auto entry = entries_.find(tile->text().toStdWString());
        status_->setText(entry != entries_.end() ? qt(entry->second.text) : QString());
    } else {
        status_->clear();
    }
    updateOk();
}

void DeviceSurveyDlg::updateOk() {
    const QListWidgetItem* tile = list_->selectedTile();
    const int group = SurveyList::groupOf(tile);
    ok_->setEnabled(
        group == SurveyList::SerialPortsGroup ||
        (group == SurveyList::UnitsGroup && tile->data(SurveyList::ImageRole).toInt() == ReadyImage));
}

void DeviceSurveyDlg::updateHint() {
    // Said while no unit can be picked: why, as far as the survey saw it.
    const bool noUsableUnit = std::all_of(entries_.begin(), entries_.end(), [](const auto& entry) {
        return entry.second.status == QUORVEX_STATUS_FAILED || !entry.second.thread;
    });
    hint_->setText(hint().text());
    const bool shown = !busy_ && noUsableUnit;
    hint_->setVisible(shown);
    // A hint that appears once the dialog is on screen takes room the list cannot give.
    if (shown && isVisible()) {
        layout()->activate();
        resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
    }
}

SurveyHint DeviceSurveyDlg::hint() const {
    if (!bluetoothReady_) {
        return {SurveyHint::Cause::NoRadio};
    }
    if (radio_ != Radio::On) {
        return {radio_ == Radio::Off ? SurveyHint::Cause::RadioOff : SurveyHint::Cause::RadioGone};
    }
    if (searchFailed_) {
        return {SurveyHint::Cause::ServiceSilent};
    }
    for (const auto& [name, entry] : entries_) {
        if (entry.status == QUORVEX_STATUS_FAILED) {
            return SurveyHint::ofFailedUnit(entry.text, entry.error);
        }
    }
    return {SurveyHint::Cause::NotBound};
}

void DeviceSurveyDlg::onPortArrived(const std::filesystem::path& deviceNode) {
    traceEntry("DeviceSurveyDlg::OnDeviceChange");
    if (isNumberedFamily(deviceNode)) {
        int number = 0;
        communication::PortDirectory(environment_.portFolder).addLink(deviceNode, number);
    }
    relistSerialPorts();
    if (!deviceNode.filename().string().starts_with("rfcomm") || !bluetoothReady_) {
        return;
    }
    refreshBindings();
    // A link bound now may belong to a unit listed already, or to one not yet listed.
    for (auto& [name, entry] : entries_) {
        if (entry.status == QUORVEX_STATUS_FAILED || !entry.thread) {
            stopWorker(entry, kDiscardTimeoutMs);
            startWorker(entry);
            if (QListWidgetItem* tile = list_->findTile(SurveyList::UnitsGroup, qt(name))) {
                const int image = entry.thread ? ExaminingImage : FailedImage;
                tile->setData(SurveyList::ImageRole, image);
                tile->setIcon(images_[image]);
            }
            if (entry.thread) {
                entry.thread->resume();
            }
        }
    }
    if (!busy_) {
        startSearch();
    }
    updateHint();
    updateOk();
}

void DeviceSurveyDlg::onPortRemoved(const std::filesystem::path& deviceNode) {
    traceEntry("DeviceSurveyDlg::OnDeviceChange");
    // The unit is found by the address its link was bound to, whatever step it is at.
    if (const auto bound = bindings_.find(deviceNode.filename().string()); bound != bindings_.end()) {
        const auto entry = std::find_if(entries_.begin(), entries_.end(), [&](const auto& unit) {
            return searchTextOf(unit.second.device->Address) == bound->second;
        });
        if (entry != entries_.end() && entry->second.text != L"Enabling service" &&
            entry->second.text != L"Installing driver") {
            linkGone_.insert(bound->second);
            removeUnit(entry);
        }
    }
    refreshBindings();
    relistSerialPorts();
}

void DeviceSurveyDlg::removeUnitsNotIn(const std::vector<BluetoothDevice>& devices) {
    for (auto entry = entries_.begin(); entry != entries_.end();) {
        const auto next = std::next(entry);
        const bool reported = std::any_of(devices.begin(), devices.end(), [&](const BluetoothDevice& device) {
            return entry->first == device.szName;
        });
        if (!reported && entry->second.text != L"Enabling service" &&
            entry->second.text != L"Installing driver") {
            removeUnit(entry);
        }
        entry = next;
    }
}

void DeviceSurveyDlg::removeUnit(std::map<std::wstring, SurveyEntry>::iterator entry) {
    QListWidgetItem* tile = list_->findTile(SurveyList::UnitsGroup, qt(entry->first));
    if (tile != nullptr && tile == list_->selectedTile()) {
        status_->clear();
    }
    delete tile;
    stopWorker(entry->second, kDiscardTimeoutMs);
    entries_.erase(entry);
    updateHint();
    updateOk();
}

bool DeviceSurveyDlg::selectionOf(DeviceSelection& selection) const {
    const QListWidgetItem* tile = list_->selectedTile();
    const int group = SurveyList::groupOf(tile);
    if (group == SurveyList::UnitsGroup) {
        const auto entry = entries_.find(tile->text().toStdWString());
        if (entry == entries_.end() || entry->second.status != QUORVEX_STATUS_READY) {
            return false;
        }
        selection = tagBLUETOOTH_DEVICE{entry->second.port, *entry->second.device};
        return true;
    }
    if (group != SurveyList::SerialPortsGroup) {
        return false;
    }
    const int number = trailingPortNumber(tile->text().toStdWString());
    const auto device = std::find_if(serialDevices_.begin(), serialDevices_.end(),
                                     [number](const tagSERIAL_DEVICE& d) { return d.port == number; });
    if (device == serialDevices_.end()) {
        return false;
    }
    selection = *device;
    return true;
}

void DeviceSurveyDlg::done(int result) {
    traceEntry("DeviceSurveyDlg::done");
    if (finished_) {
        return;
    }
    DeviceSelection selection;
    if (result == QDialog::Accepted && !selectionOf(selection)) {
        return;  // OK without a usable selection changes nothing
    }
    finished_ = true;
    if (!selection_.empty()) {
        selection_(result == QDialog::Accepted ? 1 : 2, result == QDialog::Accepted ? &selection : nullptr);
    }
    shutdownWorkers();
    search_.disconnect();
    manager_.finalize();
    setBusy(false);
    QDialog::done(result);
    deleteLater();
}

void DeviceSurveyDlg::shutdownWorkers() {
    // Every worker is told at once, then each is waited for: the slowest sets the pace.
    for (auto& [name, entry] : entries_) {
        if (entry.thread) {
            entry.thread->getWorker().closeRelayWindow();
            entry.thread->getAdapter().notifyShutdown();
        }
    }
    for (auto& [name, entry] : entries_) {
        stopWorker(entry, kCloseTimeoutMs);
    }
}

}  // namespace zeph::windows::discovery
