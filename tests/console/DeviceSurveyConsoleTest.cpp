#include "console/CommandIds.h"
#include "console/DesktopServices.h"
#include "console/widgets/PigPassageDlg.h"
#include "discovery/SerialSettingsDlg.h"
#include "discovery/SurveyImages.h"
#include "discovery/SurveyList.h"
#include "simulator/UnitSimulator.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/discovery/support/FakeBluez.h"
#include "tests/discovery/support/TemporaryMachine.h"
#include "tests/helpers/PseudoTerminal.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

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

// A simulated unit on the machine's one serial port, COM1, and no Bluetooth radio.
class SerialPortSurveyTest : public SurveyConsoleTest {
protected:
    void startWithUnitOnSerialPort() {
        ASSERT_EQ(0u, unit_.openPseudoTerminal());
        ASSERT_EQ(0u, unit_.start());
        machine_.addSerialPort(unit_.portName());
        pointDiscoveryAt(machine_, bluez_);
        start({});
    }

    TemporaryMachine machine_;
    FakeBluez bluez_;
    quorvex::simulator::UnitSimulator unit_;
};

// The survey is a window of its own: the main window's wait state, which lasts as long as the
// survey is open, must not grey it out, even when no Bluetooth search runs to re-enable it.
// Neither may it grey out a message box.
TEST_F(SerialPortSurveyTest, WithoutARadioTheSurveyStillPicksASerialPortAndConnects) {
    startWithUnitOnSerialPort();

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

// A whole session with the keyboard alone, every key delivered as the window system delivers it
// to the window that has the keyboard: the survey (Escape leaves it, Return takes the chosen
// port), Transport > Pause and Live, Tab through the main window, a passage dialog closed with
// Return, and QUORVEX > Disconnect.
class KeyboardSessionTest : public SerialPortSurveyTest {
protected:
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWindow* target = QGuiApplication::focusWindow();
        ASSERT_NE(nullptr, target) << "no window has the keyboard";
        QTest::keyClick(target, key, modifiers);
    }
    // Alt and the menu's underlined letter, then the item's.
    void menu(Qt::Key menuKey, Qt::Key itemKey) {
        press(menuKey, Qt::AltModifier);
        ASSERT_TRUE(waitFor([] { return QApplication::activePopupWidget() != nullptr; }));
        press(itemKey);
    }
    // What a window manager does when a dialog closes: the window under it gets the keyboard back
    // (the offscreen platform has no window manager).
    void keyboardBackToMainWindow() {
        window().activateWindow();
        ASSERT_TRUE(waitFor([this] { return QGuiApplication::focusWindow() == window().windowHandle(); }));
    }
    // What a screen reader says of the control that has the keyboard.
    static QString focusName() {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr) {
            return QStringLiteral("(none)");
        }
        return focus->accessibleName().isEmpty()
                   ? QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name)
                   : focus->accessibleName();
    }
};

TEST_F(KeyboardSessionTest, KeysAloneDriveAWholeSession) {
    startWithUnitOnSerialPort();
    keyboardBackToMainWindow();

    menu(Qt::Key_V, Qt::Key_D);  // View > Devices
    ASSERT_TRUE(waitFor([this] { return window().deviceSurvey() != nullptr; }));
    ASSERT_TRUE(waitFor(
        [this] { return QGuiApplication::focusWindow() == window().deviceSurvey()->windowHandle(); }));
    press(Qt::Key_Escape);
    ASSERT_TRUE(waitFor([this] { return window().deviceSurvey() == nullptr && !window().isWaiting(); }));
    keyboardBackToMainWindow();

    menu(Qt::Key_V, Qt::Key_D);
    ASSERT_TRUE(waitFor([this] { return window().deviceSurvey() != nullptr; }));
    DeviceSurveyDlg* survey = window().deviceSurvey();
    QListWidgetItem* tile = waitForTile(*survey, SurveyList::SerialPortsGroup, QStringLiteral("COM1"));
    ASSERT_NE(nullptr, tile);
    ASSERT_TRUE(waitFor([survey] { return QGuiApplication::focusWindow() == survey->windowHandle(); }));
    // The list has the keyboard first; the arrows walk it to the port.
    EXPECT_EQ(survey->findChild<SurveyList*>(QStringLiteral("deviceList")), QApplication::focusWidget());
    for (int step = 0; step < 10 && !tile->isSelected(); ++step) {
        press(Qt::Key_Down);
    }
    ASSERT_TRUE(tile->isSelected());
    press(Qt::Key_Return);
    ASSERT_TRUE(waitForStreaming());
    EXPECT_EQ(nullptr, window().deviceSurvey());

    keyboardBackToMainWindow();
    menu(Qt::Key_T, Qt::Key_P);  // Transport > Pause
    ASSERT_TRUE(waitFor([this] { return unitState().streamingState() == StreamingState::Paused; }));
    menu(Qt::Key_T, Qt::Key_L);  // Transport > Live
    ASSERT_TRUE(waitForStreaming());

    // Tab follows the rows as they are laid out, and comes round again.
    QStringList visited;
    for (int step = 0; step < 10; ++step) {
        press(Qt::Key_Tab);
        visited << focusName();
    }
    // The gain control takes Tab too, so the gain can be read and stepped without the mouse.
    const QString cycle = QStringLiteral("Channel,Pause,Stop,Record,Passages,Ignored,Clear,Log,Log,Gain,");
    EXPECT_TRUE((cycle + cycle).contains(visited.join(u',')))
        << visited.join(u',').toStdString() << " is not a run of " << cycle.toStdString();

    unit_.passage({});
    ASSERT_TRUE(waitFor([] { return PigPassageDlg::openDialogs().size() == 1; }));
    PigPassageDlg* passage = PigPassageDlg::openDialogs().front();
    ASSERT_TRUE(waitFor([passage] { return QGuiApplication::focusWindow() == passage->windowHandle(); }));
    press(Qt::Key_Return);
    ASSERT_TRUE(waitFor([] { return PigPassageDlg::openDialogs().empty(); }));
    EXPECT_EQ(1, window().passageCount());

    keyboardBackToMainWindow();
    menu(Qt::Key_Q, Qt::Key_D);  // QUORVEX > Disconnect
    ASSERT_TRUE(waitFor([this] {
        return unitState().connectionState() == ConnectionState::Disconnected && !window().isWaiting();
    }));
}

}  // namespace
