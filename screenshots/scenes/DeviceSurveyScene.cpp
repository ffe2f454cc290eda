// The device survey with a paired unit examined and ready, and a cable serial port.
#include "console/QtMessageBridge.h"
#include "discovery/DeviceSurveyDlg.h"
#include "discovery/SurveyImages.h"
#include "discovery/SurveyList.h"
#include "screenshots/ScreenshotScene.h"
#include "support/communication/PortDirectory.h"

#include <QTemporaryDir>
#include <QTimer>

#include <pty.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>

namespace {

using namespace quorvex::screenshots;
using namespace zeph::windows::discovery;
namespace fs = std::filesystem;

constexpr const char* kUnitAddress = "00:1A:7D:DA:71:13";

// BlueZ as the scene needs it: one radio and one paired unit, answered on the window thread.
class ShowcaseBluetoothMgr final : public IBluetoothMgr {
public:
    ShowcaseBluetoothMgr() {
        BluetoothDevice unit;
        unit.Address = *parseBluezAddress(kUnitAddress);
        unit.szName = L"M450 123456";
        unit.fAuthenticated = true;
        unit.fRemembered = true;
        devices_.push_back(unit);
    }

    zeph::platform::DWORD initialize() override { return 0; }
    void finalize() override {}
    long pendingRequests() const override { return 0; }
    zeph::platform::DWORD enumerateDevices(const BLUETOOTH_DEVICE_SEARCH_PARAMS*,
                                           const BluetoothResultSignal::slot_type& slot,
                                           boost::signals2::connection& connection) override {
        connection = result_.connect(slot);
        QTimer::singleShot(0, [this] { result_(0, &devices_); });
        return 0;
    }
    zeph::platform::DWORD removeDevice(const BLUETOOTH_ADDRESS&) override { return 0; }
    std::shared_ptr<const BluetoothRadio> getRadio() const override { return radio_; }
    bool hasRadio() const override { return true; }

private:
    std::shared_ptr<const BluetoothRadio> radio_ =
        std::make_shared<const BluetoothRadio>(BluetoothRadio{"hci0", "/org/bluez/hci0"});
    std::vector<BluetoothDevice> devices_;
    BluetoothResultSignal result_;
};

// A pseudo-terminal standing in for a serial device; the far end stays open with the object.
class Line {
public:
    Line() {
        std::array<char, 128> name{};
        if (openpty(&master_, &slave_, name.data(), nullptr, nullptr) == 0) {
            name_ = name.data();
        }
    }
    ~Line() {
        close(slave_);
        close(master_);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    const std::string& name() const { return name_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string name_;
};

const RegisterScene survey("device-survey", [](SceneContext& context) {
    QTemporaryDir root;
    Line cable;
    Line link;
    if (!root.isValid() || cable.name().empty() || link.name().empty()) {
        return false;
    }
    DiscoveryEnvironment environment;
    const fs::path folder = root.path().toStdString();
    environment.sysRoot = folder / "sys";
    environment.devRoot = folder / "dev";
    environment.portFolder = folder / "ports";
    // The pseudo-terminal stands for a unit whose Bluetooth link comes up.
    environment.linkProbe = [](int) { return zeph::windows::communication::LinkAnswer::Up; };
    fs::create_directories(environment.sysRoot / "class" / "tty" / "rfcomm0");
    fs::create_directories(environment.devRoot);
    std::ofstream(environment.sysRoot / "class" / "tty" / "rfcomm0" / "address") << "00:1a:7d:da:71:13\n";
    fs::create_symlink(link.name(), environment.devRoot / "rfcomm0");
    int number = 0;
    zeph::windows::communication::PortDirectory(environment.portFolder).addLink(cable.name(), number);

    // The unit's worker reports through the platform's messages, which Qt's loop delivers.
    const quorvex::console::QtMessageBridge bridge;
    ShowcaseBluetoothMgr manager;
    auto* dialog = new DeviceSurveyDlg(nullptr, manager, environment);
    dialog->show();
    auto* list = dialog->findChild<SurveyList*>(QStringLiteral("deviceList"));
    QListWidgetItem* unit = nullptr;
    const bool ready = context.waitFor([&] {
        unit = list->findTile(SurveyList::UnitsGroup, QStringLiteral("M450 123456"));
        return unit != nullptr && unit->data(SurveyList::ImageRole).toInt() == ReadyImage;
    });
    if (unit != nullptr) {
        unit->setSelected(true);
    }
    context.settle(std::chrono::milliseconds(300));
    const bool saved = ready && context.save(*dialog, QStringLiteral("device-survey"));
    dialog->reject();
    context.settle(std::chrono::milliseconds(50));
    return saved;
});

}  // namespace
