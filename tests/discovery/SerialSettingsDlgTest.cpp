#include "discovery/ComPortInfo.h"
#include "discovery/SerialSettingsDlg.h"
#include "tests/discovery/QtTestSupport.h"
#include "tests/discovery/support/TemporaryMachine.h"
#include "tests/helpers/PseudoTerminal.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace quorvex::test {
namespace {

using namespace zeph::windows::communication;
using namespace zeph::windows::discovery;

TEST(EnumerateComPortsTest, PortsOfTheDirectoryAreListedByNumberWithTheirDescriptions) {
    TemporaryMachine machine;
    PseudoTerminal cable;
    PseudoTerminal link;
    const int cablePort = machine.addSerialPort(cable.slaveName());
    int linkPort = 0;
    ASSERT_EQ(
        0u, machine.ports().addLink(machine.bindRfcomm(0, "00:1A:7D:DA:71:13", link.slaveName()), linkPort));
    // A link whose device is gone is no present port, nor is anything that is no serial line.
    std::filesystem::create_symlink("/dev/quorvex-no-such-tty", machine.ports().linkPath(9));
    std::filesystem::create_symlink("/dev/zero", machine.ports().linkPath(10));
    std::filesystem::create_symlink("/dev/tty", machine.ports().linkPath(11));
    std::filesystem::create_symlink("/dev/ptmx", machine.ports().linkPath(12));
    ASSERT_EQ(0, ::mkfifo(machine.ports().linkPath(13).c_str(), 0600));
    std::filesystem::create_directory(machine.ports().linkPath(14));
    std::ofstream(machine.ports().linkPath(15)) << "not a port";
    std::filesystem::create_symlink(machine.ports().folder(), machine.ports().linkPath(16));

    std::vector<ComPortInfo> ports;
    ASSERT_TRUE(enumerateComPorts(machine.environment(), ports));
    ASSERT_EQ(2u, ports.size());
    EXPECT_EQ(cablePort, ports[0].port);
    EXPECT_EQ(L"Serial port", ports[0].description);
    EXPECT_EQ(linkPort, ports[1].port);
    EXPECT_EQ(L"Bluetooth serial link", ports[1].description);
}

TEST(EnumerateComPortsTest, MissingPortDirectoryListsNothing) {
    DiscoveryEnvironment environment;
    environment.portFolder = "/nonexistent/quorvex/ports";
    std::vector<ComPortInfo> ports{{1, L"stale"}};
    EXPECT_FALSE(enumerateComPorts(environment, ports));
    EXPECT_TRUE(ports.empty());
}

class SerialSettingsDlgTest : public ::testing::Test {
protected:
    SerialSettingsDlgTest() : dialog(nullptr, machine.environment()) {}

    QComboBox& combo(const char* name) { return *dialog.findChild<QComboBox*>(QString::fromLatin1(name)); }
    QPushButton& button(QDialogButtonBox::StandardButton which) {
        return *dialog.findChild<QDialogButtonBox*>()->button(which);
    }
    std::vector<QString> items(const char* name) {
        std::vector<QString> texts;
        for (int i = 0; i < combo(name).count(); ++i) {
            texts.push_back(combo(name).itemText(i));
        }
        return texts;
    }
    bool lineCombosEnabled(bool enabled) {
        for (const char* name : {"baudRate", "dataBits", "parity", "stopBits", "flowControl"}) {
            if (combo(name).isEnabled() != enabled) {
                return false;
            }
        }
        return true;
    }

    TemporaryMachine machine;
    PseudoTerminal pty;
    SerialSettingsDlg dialog;
};

TEST_F(SerialSettingsDlgTest, OnePortIsOfferedAfterDisabledWithItsDescription) {
    machine.addSerialPort(pty.slaveName());
    dialog.show();
    EXPECT_EQ(QStringLiteral("Serial Settings"), dialog.windowTitle());
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ((std::vector<QString>{QStringLiteral("DISABLED"), QStringLiteral("COM1 <Serial port>")}),
              items("port"));
    EXPECT_EQ(15u, items("baudRate").size());
    EXPECT_EQ((std::vector<QString>{"None", "Odd", "Even", "Mark", "Space"}), items("parity"));
    EXPECT_EQ((std::vector<QString>{"1", "1.5", "2"}), items("stopBits"));
    // Without a preset "DISABLED" is chosen and the line parameters are shown but locked.
    EXPECT_EQ(0, combo("port").currentIndex());
    EXPECT_EQ(QStringLiteral("115200"), combo("baudRate").currentText());
    EXPECT_EQ(QStringLiteral("8"), combo("dataBits").currentText());
    EXPECT_EQ(QStringLiteral("1"), combo("stopBits").currentText());
    EXPECT_EQ(QStringLiteral("None"), combo("flowControl").currentText());
    EXPECT_TRUE(lineCombosEnabled(false));
    EXPECT_TRUE(button(QDialogButtonBox::Ok).isEnabled());
}

TEST_F(SerialSettingsDlgTest, DisabledReturnsPortMinusOneAndLeavesTheParameters) {
    machine.addSerialPort(pty.slaveName());
    dialog.show();
    combo("baudRate").setCurrentIndex(0);
    button(QDialogButtonBox::Ok).click();
    EXPECT_EQ(QDialog::Accepted, dialog.result());
    EXPECT_EQ(-1, dialog.serialSettings().portNumber());
    EXPECT_EQ(L"\\\\.\\COM-1", dialog.serialSettings().devicePath());
    EXPECT_EQ(BaudRate::Baud115200, dialog.serialSettings().baudRate());
}

TEST_F(SerialSettingsDlgTest, PresetPortIsSelectedAndOkTakesEveryParameter) {
    machine.addSerialPort("/dev/null");
    machine.addSerialPort("/dev/zero");
    const int port = machine.addSerialPort(pty.slaveName());
    ASSERT_EQ(3, port);
    dialog.setPresetPort(3);
    dialog.show();
    EXPECT_EQ(QStringLiteral("COM3 <Serial port>"), combo("port").currentText());
    EXPECT_TRUE(lineCombosEnabled(true));
    combo("baudRate").setCurrentText(QStringLiteral("9600"));
    combo("dataBits").setCurrentText(QStringLiteral("7"));
    combo("parity").setCurrentText(QStringLiteral("Even"));
    combo("stopBits").setCurrentText(QStringLiteral("2"));
    combo("flowControl").setCurrentText(QStringLiteral("Hardware (RTS/CTS)"));
    button(QDialogButtonBox::Ok).click();
    const SerialSettings& result = dialog.serialSettings();
    EXPECT_EQ(3, result.portNumber());
    EXPECT_EQ(L"\\\\.\\COM3", result.devicePath());
    EXPECT_EQ(BaudRate::Baud9600, result.baudRate());
    EXPECT_EQ(DataBits::Bits7, result.dataBits());
    EXPECT_EQ(Parity::Even, result.parity());
    EXPECT_EQ(StopBits::Two, result.stopBits());
    EXPECT_EQ(FlowControl::Hardware, result.flowControl());
}

TEST_F(SerialSettingsDlgTest, PresetPortThatIsGoneLeavesNoSelectionAndOkDisabled) {
    machine.addSerialPort(pty.slaveName());
    dialog.setPresetPort(7);
    dialog.show();
    EXPECT_EQ(-1, combo("port").currentIndex());
    EXPECT_FALSE(button(QDialogButtonBox::Ok).isEnabled());
    EXPECT_TRUE(lineCombosEnabled(false));
    combo("port").setCurrentIndex(1);
    EXPECT_TRUE(button(QDialogButtonBox::Ok).isEnabled());
    EXPECT_TRUE(lineCombosEnabled(true));
}

TEST_F(SerialSettingsDlgTest, MaskLocksTheSettingsWhoseBitIsClear) {
    machine.addSerialPort(pty.slaveName());
    dialog.setPresetPort(1);
    dialog.setEnabledSettings(2 | 16);  // baud rate and stop bits
    dialog.show();
    EXPECT_TRUE(combo("baudRate").isEnabled());
    EXPECT_FALSE(combo("dataBits").isEnabled());
    EXPECT_FALSE(combo("parity").isEnabled());
    EXPECT_TRUE(combo("stopBits").isEnabled());
    EXPECT_FALSE(combo("flowControl").isEnabled());
}

TEST_F(SerialSettingsDlgTest, CancelLeavesTheResultAsItWas) {
    machine.addSerialPort(pty.slaveName());
    SerialSettings before;
    before.setPortNumber(1);
    before.setParity(Parity::Odd);
    dialog.setSerialSettings(before);
    dialog.setPresetPort(1);
    dialog.show();
    EXPECT_EQ(QStringLiteral("Odd"), combo("parity").currentText());
    combo("parity").setCurrentText(QStringLiteral("Space"));
    button(QDialogButtonBox::Cancel).click();
    EXPECT_EQ(QDialog::Rejected, dialog.result());
    EXPECT_EQ(Parity::Odd, dialog.serialSettings().parity());
    EXPECT_EQ(1, dialog.serialSettings().portNumber());
}

// With the keyboard alone: Tab goes down the form to OK and Cancel, an arrow changes the focused
// setting, Return takes the settings as OK does and Escape leaves them as Cancel does.
TEST_F(SerialSettingsDlgTest, TabWalksTheFormAndReturnOrEscapeAnswerAsOkOrCancel) {
    machine.addSerialPort(pty.slaveName());
    const struct {
        Qt::Key key;
        int result;
        const Parity* parity;
    } rows[] = {{Qt::Key_Return, QDialog::Accepted, &Parity::Odd},
                {Qt::Key_Escape, QDialog::Rejected, &Parity::NoParity}};
    for (const auto& row : rows) {
        SerialSettingsDlg keyed(nullptr, machine.environment());
        keyed.setPresetPort(1);
        keyed.show();
        keyed.activateWindow();
        ASSERT_TRUE(
            QTest::qWaitFor([&keyed] { return QGuiApplication::focusWindow() == keyed.windowHandle(); }));
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int step = 0; step < 7; ++step) {
            QTest::keyClick(keyed.windowHandle(), Qt::Key_Tab);
            const QWidget* focus = QApplication::focusWidget();
            visited << (focus->objectName().isEmpty() ? qobject_cast<const QPushButton*>(focus)->text()
                                                      : focus->objectName());
        }
        EXPECT_EQ(QStringLiteral("port,baudRate,dataBits,parity,stopBits,flowControl,OK,Cancel"),
                  visited.join(u','));
        // Back from Cancel to the parity.
        for (int step = 0; step < 4; ++step) {
            QTest::keyClick(keyed.windowHandle(), Qt::Key_Tab, Qt::ShiftModifier);
        }
        ASSERT_EQ(QStringLiteral("parity"), QApplication::focusWidget()->objectName());
        QTest::keyClick(keyed.windowHandle(), Qt::Key_Down);
        QTest::keyClick(keyed.windowHandle(), row.key);
        EXPECT_FALSE(keyed.isVisible());
        EXPECT_EQ(row.result, keyed.result());
        EXPECT_EQ(*row.parity, keyed.serialSettings().parity());
    }
}

}  // namespace
}  // namespace quorvex::test
