#include "discovery/DeviceMonitor.h"
#include "discovery/SurveyImages.h"
#include "support/communication/Serial.h"
#include "tests/discovery/ProcessCensus.h"
#include "tests/discovery/QtTestSupport.h"
#include "tests/discovery/SurveyFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>

namespace quorvex::test {
namespace {

using namespace zeph::windows::discovery;

const QString kUnit = QStringLiteral("M450-0042");

bool noEnumerationThread() {
    return waitUntil([] { return threadsNamed("QuorvexEnumThread-") == 0; });
}

using zeph::windows::communication::LinkAnswer;

using DeviceSurveyDlgTest = SurveyFixture;

TEST_F(DeviceSurveyDlgTest, PairedUnitsAreListedOnceAndStrangersNot) {
    standardMachine();
    pairUnit();
    pairUnit(kUnit, "00:1A:7D:DA:71:14");  // the same name again: listed once
    pairUnit(QStringLiteral("Headset"), "11:22:33:44:55:66");
    bluez.addDevice("hci0", "66:55:44:33:22:11", "M410-0007", false);
    bindUnit();
    DeviceSurveyDlg& survey = open();
    EXPECT_EQ(QStringLiteral("Select Device"), survey.windowTitle());
    ASSERT_TRUE(waitForSearch());
    EXPECT_EQ(std::vector<QString>{kUnit}, tileTexts(SurveyList::UnitsGroup));
    EXPECT_EQ(std::vector<QString>{QStringLiteral("COM%1").arg(cablePort)},
              tileTexts(SurveyList::SerialPortsGroup));
    EXPECT_FALSE(hintShown());
    EXPECT_TRUE(log.contains(L"Port Num: 1, Friendly Name: Serial port"));
}

TEST_F(DeviceSurveyDlgTest, OkWaitsForAReadyUnitAndHandsItOver) {
    standardMachine();
    pairUnit();
    bindUnit();
    open();
    ASSERT_TRUE(waitForSearch());
    EXPECT_EQ(ExaminingImage, imageOf(kUnit));
    tile(SurveyList::UnitsGroup, kUnit)->setSelected(true);
    EXPECT_FALSE(okButton().isEnabled());
    ASSERT_TRUE(waitForImage(kUnit, ReadyImage));
    EXPECT_TRUE(okButton().isEnabled());
    EXPECT_EQ(QStringLiteral("Device ready"), statusLine());

    okButton().click();
    ASSERT_EQ(1u, selections.size());
    EXPECT_EQ(1, selections[0].result);
    ASSERT_TRUE(selections[0].device);
    ASSERT_EQ(1, selections[0].device->which());
    const auto& unit = boost::get<tagBLUETOOTH_DEVICE>(*selections[0].device);
    EXPECT_EQ(L"M450-0042", unit.info.szName);
    EXPECT_EQ(L"001A7DDA7113", searchTextOf(unit.info.Address));
    // The cable port had COM1; the unit's link was numbered as it was found.
    EXPECT_EQ(machine.ports().numberOf(machine.devRoot() / "rfcomm0"), std::optional<int>(unit.port));
    EXPECT_TRUE(waitUntil([this] { return closed(); }));
    EXPECT_TRUE(noEnumerationThread());
}

TEST_F(DeviceSurveyDlgTest, SerialPortEnablesOkAtOnceAndHandsOverItsRecord) {
    standardMachine();
    open();
    ASSERT_TRUE(waitForSearch());
    EXPECT_FALSE(okButton().isEnabled());
    tile(SurveyList::SerialPortsGroup, QStringLiteral("COM%1").arg(cablePort))->setSelected(true);
    EXPECT_TRUE(okButton().isEnabled());
    EXPECT_EQ(QString(), statusLine());
    okButton().click();
    ASSERT_EQ(1u, selections.size());
    EXPECT_EQ(1, selections[0].result);
    ASSERT_EQ(0, selections[0].device->which());
    const auto& port = boost::get<tagSERIAL_DEVICE>(*selections[0].device);
    EXPECT_EQ(cablePort, port.port);
    EXPECT_EQ(L"\\\\.\\COM" + std::to_wstring(cablePort), port.path);
    EXPECT_EQ(L"Serial port", port.friendlyName);
}

TEST_F(DeviceSurveyDlgTest, CancelAndTheCloseBoxHandOverNothing) {
    standardMachine();
    open();
    ASSERT_TRUE(waitForSearch());
    list().findTile(SurveyList::SerialPortsGroup, QStringLiteral("COM%1").arg(cablePort))->setSelected(true);
    list().window()->close();
    ASSERT_TRUE(waitUntil([this] { return closed(); }));

    open();
    ASSERT_TRUE(waitForSearch());
    list().window()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    ASSERT_TRUE(waitUntil([this] { return closed(); }));
    ASSERT_EQ(2u, selections.size());
    for (const Selection& selection : selections) {
        EXPECT_EQ(2, selection.result);
        EXPECT_FALSE(selection.device);
    }
}

TEST_F(DeviceSurveyDlgTest, ShowAllSerialPortsAddsAndRemovesBluetoothLinks) {
    standardMachine();
    int linkPort = 0;
    ASSERT_EQ(0u, machine.ports().addLink(bindUnit(), linkPort));
    open();
    ASSERT_TRUE(waitForSearch());
    const auto cableOnly = std::vector<QString>{QStringLiteral("COM%1").arg(cablePort)};
    EXPECT_EQ(cableOnly, tileTexts(SurveyList::SerialPortsGroup));
    auto* showAll = list().window()->findChild<QCheckBox*>(QStringLiteral("showAllSerialPorts"));
    showAll->click();
    EXPECT_EQ(
        (std::vector<QString>{QStringLiteral("COM%1").arg(cablePort), QStringLiteral("COM%1").arg(linkPort)}),
        tileTexts(SurveyList::SerialPortsGroup));
    EXPECT_EQ(
        L"Bluetooth serial link",
        tile(SurveyList::SerialPortsGroup, QStringLiteral("COM%1").arg(linkPort))->toolTip().toStdWString());
    showAll->click();
    EXPECT_EQ(cableOnly, tileTexts(SurveyList::SerialPortsGroup));
}

TEST_F(DeviceSurveyDlgTest, UnitWithoutBoundLinkFailsAndShowsUpOnceBound) {
    standardMachine();
    pairUnit();
    open();
    ASSERT_TRUE(waitForSearch());
    ASSERT_TRUE(waitForImage(kUnit, FailedImage));
    EXPECT_TRUE(hintShown());
    tile(SurveyList::UnitsGroup, kUnit)->setSelected(true);
    EXPECT_EQ(QStringLiteral("Failed to retrieve device configuration"), statusLine());
    EXPECT_FALSE(okButton().isEnabled());

    const auto node = bindUnit();
    list().window()->findChild<DeviceMonitor*>()->handleEvent("add", node);
    ASSERT_TRUE(waitForImage(kUnit, ReadyImage));
    EXPECT_FALSE(hintShown());
    EXPECT_TRUE(okButton().isEnabled());
    EXPECT_EQ(std::vector<QString>{kUnit}, tileTexts(SurveyList::UnitsGroup));
}

TEST_F(DeviceSurveyDlgTest, UnitWhoseLinkGoesIsRemovedWithItsWorker) {
    standardMachine();
    pairUnit();
    const auto node = bindUnit();
    open();
    ASSERT_TRUE(waitForSearch());
    ASSERT_TRUE(waitForImage(kUnit, ReadyImage));
    tile(SurveyList::UnitsGroup, kUnit)->setSelected(true);
    machine.releaseRfcomm(0);
    list().window()->findChild<DeviceMonitor*>()->handleEvent("remove", node);
    EXPECT_TRUE(tileTexts(SurveyList::UnitsGroup).empty());
    EXPECT_EQ(QString(), statusLine());
    EXPECT_FALSE(okButton().isEnabled());
    EXPECT_TRUE(noEnumerationThread());
    EXPECT_TRUE(hintShown());
    // Still paired, its link gone: the searches that follow leave it out, not failed.
    EXPECT_TRUE(waitForSearches(2));
    EXPECT_TRUE(tileTexts(SurveyList::UnitsGroup).empty());
}

TEST_F(DeviceSurveyDlgTest, UnitWhoseLinkGoesBeforeItIsVerifiedIsRemovedUntilTheLinkIsBack) {
    standardMachine();
    pairUnit();
    machine.answerLink(LinkAnswer::Pending);
    const auto node = bindUnit();
    open();
    ASSERT_TRUE(waitForSearch());
    tile(SurveyList::UnitsGroup, kUnit)->setSelected(true);
    ASSERT_TRUE(
        waitUntil([this] { return statusLine() == QStringLiteral("Verifying device connectivity"); }));
    auto* monitor = list().window()->findChild<DeviceMonitor*>();
    machine.releaseRfcomm(0);
    monitor->handleEvent("remove", node);
    EXPECT_TRUE(tileTexts(SurveyList::UnitsGroup).empty());
    EXPECT_TRUE(noEnumerationThread());
    EXPECT_TRUE(waitForSearches(2));
    EXPECT_TRUE(tileTexts(SurveyList::UnitsGroup).empty());

    machine.answerLink(LinkAnswer::Up);
    monitor->handleEvent("add", bindUnit());
    EXPECT_TRUE(waitForImage(kUnit, ReadyImage));
}

// A radio switched off or unplugged takes its units with it, and the hint says which it was.
TEST_F(DeviceSurveyDlgTest, UnitsGoWithTheirRadioAndTheHintSaysWhy) {
    standardMachine();
    pairUnit();
    bindUnit();
    open();
    ASSERT_TRUE(waitForSearch());
    ASSERT_TRUE(waitForImage(kUnit, ReadyImage));
    tile(SurveyList::UnitsGroup, kUnit)->setSelected(true);

    bluez.setPowered(QStringLiteral("hci0"), false);
    ASSERT_TRUE(waitUntil([this] { return tileTexts(SurveyList::UnitsGroup).empty(); }));
    EXPECT_FALSE(okButton().isEnabled());
    EXPECT_TRUE(noEnumerationThread());
    EXPECT_TRUE(hintShown());
    EXPECT_TRUE(hintText().startsWith("The Bluetooth radio is switched off")) << hintText().toStdString();

    bluez.setPowered(QStringLiteral("hci0"), true);
    ASSERT_TRUE(waitForImage(kUnit, ReadyImage));
    EXPECT_FALSE(hintShown());

    bluez.removeAdapter(QStringLiteral("hci0"));
    machine.removeRadio("hci0");
    ASSERT_TRUE(waitUntil([this] { return tileTexts(SurveyList::UnitsGroup).empty(); }));
    EXPECT_TRUE(noEnumerationThread());
    EXPECT_TRUE(hintText().startsWith("The Bluetooth radio is gone")) << hintText().toStdString();
}

// A unit listed but not usable: the hint names what was seen, not "pair and bind".
TEST_F(DeviceSurveyDlgTest, TheHintNamesWhyAListedUnitFailed) {
    standardMachine();
    pairUnit();
    const auto node = bindUnit();
    struct Case {
        LinkAnswer link;
        bool held;
        const char* hint;
    };
    const Case cases[] = {
        {LinkAnswer::Refused, false, "The QUORVEX unit does not answer over Bluetooth"},
        {LinkAnswer::Up, true, "The QUORVEX unit's serial link is held by another program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint);
        machine.answerLink(c.link);
        zeph::windows::communication::Serial holder;
        if (c.held) {
            ASSERT_EQ(0u, holder.open(node.wstring()));
        }
        open();
        ASSERT_TRUE(waitForSearch());
        ASSERT_TRUE(waitForImage(kUnit, FailedImage));
        EXPECT_TRUE(hintShown());
        EXPECT_TRUE(hintText().startsWith(c.hint)) << hintText().toStdString();
        list().window()->close();
        ASSERT_TRUE(waitUntil([this] { return closed(); }));
    }
}

// udev tells of every tty that comes and goes: the operator's choice survives them all.
TEST_F(DeviceSurveyDlgTest, TtyEventsKeepTheChosenSerialPort) {
    standardMachine();
    open();
    ASSERT_TRUE(waitForSearch());
    const QString chosen = QStringLiteral("COM%1").arg(cablePort);
    tile(SurveyList::SerialPortsGroup, chosen)->setSelected(true);
    auto* monitor = list().window()->findChild<DeviceMonitor*>();
    for (int i = 0; i < 20; ++i) {
        monitor->handleEvent("add", "/dev/tty5");
        monitor->handleEvent("remove", "/dev/tty5");
    }
    ASSERT_NE(nullptr, list().selectedTile());
    EXPECT_EQ(chosen, list().selectedTile()->text());

    // A new port joins the list; the choice stays, and OK hands over the port chosen.
    PseudoTerminal second;
    const int secondPort = machine.addSerialPort(second.slaveName());
    monitor->handleEvent("add", second.slaveName());
    EXPECT_EQ((std::vector<QString>{chosen, QStringLiteral("COM%1").arg(secondPort)}),
              tileTexts(SurveyList::SerialPortsGroup));
    ASSERT_NE(nullptr, list().selectedTile());
    EXPECT_EQ(chosen, list().selectedTile()->text());
    okButton().click();
    ASSERT_EQ(1u, selections.size());
    EXPECT_EQ(cablePort, boost::get<tagSERIAL_DEVICE>(*selections[0].device).port);
}

// BlueZ keeps a bound serial link when its device is removed: the searches that follow tell.
TEST_F(DeviceSurveyDlgTest, UnpairingAUnitWhileTheSurveyIsOpenRemovesItAndStopsItsWorker) {
    standardMachine();
    pairUnit();
    bindUnit();
    pairUnit(QStringLiteral("M410-0007"), "00:1A:7D:DA:71:14");
    open();
    ASSERT_TRUE(waitForSearch());
    ASSERT_TRUE(waitForImage(kUnit, ReadyImage));
    // The second unit has no link: its worker is still examining it, or has given up.
    tile(SurveyList::UnitsGroup, kUnit)->setSelected(true);
    bluez.removeDevice(QStringLiteral("hci0"), QString::fromLatin1(kUnitAddress));
    bluez.removeDevice(QStringLiteral("hci0"), QStringLiteral("00:1A:7D:DA:71:14"));
    EXPECT_TRUE(waitUntil([this] { return tileTexts(SurveyList::UnitsGroup).empty(); }));
    EXPECT_EQ(QString(), statusLine());
    EXPECT_FALSE(okButton().isEnabled());
    EXPECT_TRUE(noEnumerationThread());

    // Paired again, it comes back.
    pairUnit();
    EXPECT_TRUE(waitForImage(kUnit, ReadyImage));
}

TEST_F(DeviceSurveyDlgTest, WithoutRadioOnlySerialPortsAreOfferedWithTheReason) {
    cablePort = machine.addSerialPort(cable.slaveName());
    open();
    EXPECT_TRUE(list().window()->isEnabled());
    EXPECT_TRUE(tileTexts(SurveyList::UnitsGroup).empty());
    EXPECT_EQ(1u, tileTexts(SurveyList::SerialPortsGroup).size());
    EXPECT_TRUE(hintShown());
    EXPECT_TRUE(hintText().startsWith("No Bluetooth radio is available")) << hintText().toStdString();
    EXPECT_TRUE(log.contains(L"Failed initializing the Bluetooth Manager, [20]."));
}

TEST_F(DeviceSurveyDlgTest, WithoutPairedUnitsTheHintSaysWhatToDo) {
    standardMachine();
    open();
    ASSERT_TRUE(waitForSearch());
    EXPECT_TRUE(tileTexts(SurveyList::UnitsGroup).empty());
    EXPECT_TRUE(hintShown());
    EXPECT_TRUE(hintText().startsWith("No QUORVEX unit is paired and bound")) << hintText().toStdString();
}

class DeviceSurveyWithoutBluezTest : public SurveyFixture {
protected:
    DeviceSurveyWithoutBluezTest() : SurveyFixture(FakeBluez::Service::None) {}
};

TEST_F(DeviceSurveyWithoutBluezTest, SerialPortsAreOfferedAndTheReasonLogged) {
    machine.addRadio("hci0");
    cablePort = machine.addSerialPort(cable.slaveName());
    open();
    ASSERT_TRUE(waitForSearch());
    EXPECT_TRUE(tileTexts(SurveyList::UnitsGroup).empty());
    EXPECT_EQ(1u, tileTexts(SurveyList::SerialPortsGroup).size());
    EXPECT_TRUE(hintShown());
    EXPECT_TRUE(hintText().startsWith("Bluetooth does not answer")) << hintText().toStdString();
    EXPECT_TRUE(log.contains(L"::BluetoothFindFirstDevice() failed, [20]."));
}

TEST_F(DeviceSurveyDlgTest, HundredOpenAndCloseCyclesLeaveNothingBehind) {
    standardMachine();
    pairUnit();
    bindUnit();
    // One cycle first: whatever Qt and D-Bus keep for the process is made before counting.
    open();
    ASSERT_TRUE(waitForSearch());
    list().window()->close();
    ASSERT_TRUE(waitUntil([this] { return closed(); }));
    ASSERT_TRUE(noEnumerationThread());
    ASSERT_TRUE(waitUntil([] { return threadsNamed("Bluetooth Thread") == 0; }));
    const std::size_t threads = threadCount();
    const std::size_t descriptors = descriptorCount();
    const qsizetype windows = QApplication::topLevelWidgets().size();

    for (int cycle = 0; cycle < 100; ++cycle) {
        open();
        ASSERT_TRUE(waitForSearch()) << "cycle " << cycle;
        ASSERT_EQ(1u, tileTexts(SurveyList::UnitsGroup).size());
        list().window()->close();
        ASSERT_TRUE(waitUntil([this] { return closed(); })) << "cycle " << cycle;
    }
    EXPECT_TRUE(waitUntil([&] { return threadCount() == threads; }))
        << threadCount() << " threads, " << threads << " before";
    // A descriptor that was only in flight when the baseline was taken (a bus reply, a closing
    // monitor) may be gone by now: what counts is that none was added.
    EXPECT_TRUE(waitUntil([&] { return descriptorCount() <= descriptors; }))
        << descriptorCount() << " descriptors, " << descriptors << " before";
    EXPECT_EQ(windows, QApplication::topLevelWidgets().size());
    EXPECT_EQ(101u, selections.size());
}

}  // namespace
}  // namespace quorvex::test
