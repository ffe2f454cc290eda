#include "console/CommandIds.h"
#include "console/DesktopServices.h"
#include "discovery/SerialSettingsDlg.h"
#include "discovery/SurveyImages.h"
#include "discovery/SurveyList.h"
#include "simulator/UnitSimulator.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/discovery/support/FakeBluez.h"
#include "tests/discovery/support/TemporaryMachine.h"
#include "tests/helpers/PseudoTerminal.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>

namespace {

using namespace quorvex::console;
using namespace zeph::windows::discovery;
using quorvex::test::ConsoleTest;
using quorvex::test::FakeBluez;
using quorvex::test::PseudoTerminal;
using quorvex::test::TemporaryMachine;

constexpr const char* kUnitAddress = "00:1A:7D:DA:71:13";

// The machine the console's discovery looks at, through the environment it reads.
void pointDiscoveryAt(const TemporaryMachine& machine, const FakeBluez& bluez) {
    const DiscoveryEnvironment environment = machine.environment(bluez.address());
    ::setenv("QUORVEX_SYSFS_ROOT", environment.sysRoot.c_str(), 1);
    ::setenv("QUORVEX_DEV_ROOT", environment.devRoot.c_str(), 1);
    ::setenv("QUORVEX_PORT_DIR", environment.portFolder.c_str(), 1);
    ::setenv("QUORVEX_BLUEZ_BUS", bluez.address().c_str(), 1);
}

class SurveyConsoleTest : public ConsoleTest {
protected:
    // View > Devices: the survey, with the main window waiting for it.
    DeviceSurveyDlg* openDevices() {
        window().action(ID_VIEW_DEVICES)->trigger();
        EXPECT_TRUE(window().isWaiting());
        return window().deviceSurvey();
    }

    // The tile once it is listed (a unit's: once it is ready to connect), or null.
    QListWidgetItem* waitForTile(const DeviceSurveyDlg& survey, int group, const QString& text) {
        const auto* list = survey.findChild<SurveyList*>(QStringLiteral("deviceList"));
        QListWidgetItem* tile = nullptr;
        const bool listed = waitFor([&] {
            tile = list->findTile(group, text);
            return tile != nullptr && (group != SurveyList::UnitsGroup ||
                                       tile->data(SurveyList::ImageRole).toInt() == ReadyImage);
        });
        return listed ? tile : nullptr;
    }
};

TEST_F(SurveyConsoleTest, DevicesPicksAPairedUnitAndConnectsToItsBluetoothLink) {
    TemporaryMachine machine;
    FakeBluez bluez;
    machine.addRadio("hci0");
    bluez.addAdapter("hci0");
    bluez.addDevice("hci0", kUnitAddress, "M450-123456", true);
    quorvex::simulator::UnitSimulator unit;
    ASSERT_EQ(0u, unit.openPseudoTerminal());
    ASSERT_EQ(0u, unit.start());
    machine.bindRfcomm(0, kUnitAddress, unit.portName());
    pointDiscoveryAt(machine, bluez);
    start({});

    DeviceSurveyDlg* survey = openDevices();
    ASSERT_NE(nullptr, survey);
    QListWidgetItem* tile = waitForTile(*survey, SurveyList::UnitsGroup, QStringLiteral("M450-123456"));
    ASSERT_NE(nullptr, tile);
    tile->setSelected(true);
    survey->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();

    ASSERT_TRUE(waitForStreaming());
    EXPECT_EQ(nullptr, window().deviceSurvey());
    EXPECT_EQ(L"\\\\.\\COM1", window().serialSettings().devicePath());
    EXPECT_EQ(115200u, window().serialSettings().baudRate().value());
    EXPECT_EQ(QStringLiteral("bluetooth-connected"), window().paneIcon(TelvaneDlg::ConnectionPane));
    EXPECT_TRUE(unit.waitUntil([](const auto& status) { return status.streamingFrames > 0; },
                               std::chrono::seconds(10)));

    window().OnDisconnect();
    ASSERT_TRUE(waitFor([this] { return unitState().connectionState() == ConnectionState::Disconnected; }));
    // Not connected: the pane says whether the radio is there.
    EXPECT_TRUE(
        waitFor([this] { return window().paneIcon(TelvaneDlg::ConnectionPane) == "bluetooth-enabled"; }));
    EXPECT_EQ(QStringLiteral("Enabled"), window().paneTip(TelvaneDlg::ConnectionPane));
}

// The survey is a window of its own: the main window's wait state, which lasts as long as the
// survey is open, must not grey it out, even when no Bluetooth search runs to re-enable it.
// Neither may it grey out a message box.
TEST_F(SurveyConsoleTest, WithoutARadioTheSurveyStillPicksASerialPortAndConnects) {
    TemporaryMachine machine;
    FakeBluez bluez;
    quorvex::simulator::UnitSimulator unit;
    ASSERT_EQ(0u, unit.openPseudoTerminal());
    ASSERT_EQ(0u, unit.start());
    machine.addSerialPort(unit.portName());
    pointDiscoveryAt(machine, bluez);
    start({});

    DeviceSurveyDlg* survey = openDevices();
    ASSERT_NE(nullptr, survey);
    QListWidgetItem* tile = waitForTile(*survey, SurveyList::SerialPortsGroup, QStringLiteral("COM1"));
    ASSERT_NE(nullptr, tile);
    EXPECT_TRUE(survey->isEnabled());

    // So must a box shown while the main window waits (as a refused unit's is).
    bool boxEnabled = false;
    QTimer::singleShot(0, [&boxEnabled] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(nullptr, box);
        boxEnabled = box->isEnabled();
        box->close();
    });
    DesktopServices().show(&window(), QStringLiteral("Failed to connect!"), BoxIcon::Error);
    EXPECT_TRUE(boxEnabled);

    tile->setSelected(true);
    QPushButton* ok = survey->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_TRUE(ok->isEnabled());
    ok->click();

    ASSERT_TRUE(waitForStreaming());
    EXPECT_EQ(nullptr, window().deviceSurvey());
    EXPECT_EQ(1, window().serialSettings().portNumber());
}

TEST_F(ConsoleTest, SerialConfigurationReplacesTheSettingsOnlyOnOk) {
    TemporaryMachine machine;
    // A serial line: the lists show no other node (/dev/null is none).
    const PseudoTerminal line;
    const int port = machine.addSerialPort(line.slaveName());
    ::setenv("QUORVEX_PORT_DIR", machine.ports().folder().c_str(), 1);
    start({"-debug"});
    zeph::windows::communication::SerialSettings before;
    before.setPortNumber(port);
    window().setSerialSettings(before);

    // The dialog is modal: it is answered from the event loop it runs.
    const auto answer = [](QDialogButtonBox::StandardButton button, const QString& baudRate) {
        QTimer::singleShot(0, [button, baudRate] {
            auto* dialog = qobject_cast<SerialSettingsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(nullptr, dialog);
            EXPECT_EQ(QStringLiteral("COM1 <Serial port>"),
                      dialog->findChild<QComboBox*>("port")->currentText());
            dialog->findChild<QComboBox*>("baudRate")->setCurrentText(baudRate);
            dialog->findChild<QDialogButtonBox*>()->button(button)->click();
        });
    };
    answer(QDialogButtonBox::Cancel, QStringLiteral("9600"));
    window().action(ID_CONFIGURATION_SERIAL)->trigger();
    EXPECT_EQ(115200u, window().serialSettings().baudRate().value());

    answer(QDialogButtonBox::Ok, QStringLiteral("57600"));
    window().action(ID_CONFIGURATION_SERIAL)->trigger();
    EXPECT_EQ(57600u, window().serialSettings().baudRate().value());
    EXPECT_EQ(port, window().serialSettings().portNumber());
    EXPECT_TRUE(window().action(ID_CONNECT)->isEnabled());

    // "DISABLED" chooses no port: Connect has nothing to open.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<SerialSettingsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, dialog);
        dialog->findChild<QComboBox*>("port")->setCurrentIndex(0);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    window().action(ID_CONFIGURATION_SERIAL)->trigger();
    EXPECT_EQ(0, window().serialSettings().portNumber());
    window().refreshCommandState();
    EXPECT_FALSE(window().action(ID_CONNECT)->isEnabled());
}

}  // namespace
