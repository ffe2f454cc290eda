#include "console/CommandIds.h"
#include "simulator/UnitSimulator.h"
#include "tests/console/ConsoleFixture.h"

#include <QAbstractButton>
#include <QAction>

#include <QFile>
#include <QMenuBar>
#include <QRegularExpression>
#include <QToolBar>
#include <QWidgetAction>
#include <filesystem>

namespace {

using namespace quorvex::console;
using quorvex::test::ConsoleTest;

bool enabled(const TelvaneDlg& window, int id) {
    return window.action(id)->isEnabled();
}

bool checked(const TelvaneDlg& window, int id) {
    return window.action(id)->isChecked();
}

QStringList menuTitles(TelvaneDlg& window) {
    QStringList titles;
    for (const QAction* menu : window.menuBar()->actions()) {
        titles << menu->text();
    }
    return titles;
}

QStringList toolBarButtons(TelvaneDlg& window) {
    QStringList buttons;
    for (const QAction* button : window.toolBar()->actions()) {
        if (qobject_cast<const QWidgetAction*>(button) != nullptr) {
            continue;  // the logo and the space before it
        }
        buttons << (button->isSeparator() ? QStringLiteral("|") : button->toolTip());
    }
    return buttons;
}

TEST_F(ConsoleTest, StartUpWritesTheBannerAndShowsADisconnectedWindow) {
    start({});
    EXPECT_EQ(QStringLiteral("QUORVEX Telvane"), window().windowTitle());
    EXPECT_EQ(QStringLiteral("Ready"), window().messageText());
    EXPECT_TRUE(
        waitFor([this] { return debugLog().find("|Telvane::initializeLog|OS Name") != std::string::npos; }));
    const std::string log = debugLog();
    EXPECT_NE(std::string::npos, log.find("|Telvane::initializeLog|" + std::string(60, '=') + "\n"));
    EXPECT_NE(std::string::npos, log.find("|Telvane::initializeLog|                       CONFIGURATION\n"));

    EXPECT_FALSE(enabled(window(), ID_CONNECT)) << "no port chosen";
    EXPECT_TRUE(enabled(window(), ID_VIEW_DEVICES));
    EXPECT_FALSE(enabled(window(), ID_FILE_MANAGER));
    EXPECT_FALSE(enabled(window(), ID_TRANSPORT_LIVE));
    EXPECT_EQ(QStringLiteral("connection-serial-off"), window().paneIcon(TelvaneDlg::ConnectionPane));
    EXPECT_EQ(QStringLiteral("battery-unknown"), window().paneIcon(TelvaneDlg::BatteryPane));
    EXPECT_EQ(QStringLiteral("gps-none"), window().paneIcon(TelvaneDlg::GpsPane));
    EXPECT_EQ(QStringLiteral("Select and Pair to the QUORVEX unit"),
              window().action(ID_VIEW_DEVICES)->statusTip());
    EXPECT_EQ(QStringLiteral("Select QUORVEX unit"), window().action(ID_VIEW_DEVICES)->toolTip());

    window().setSerialSettings([] {
        zeph::windows::communication::SerialSettings settings;
        settings.setPortNumber(3);
        return settings;
    }());
    EXPECT_TRUE(enabled(window(), ID_CONNECT)) << "a port number is set";
}

TEST_F(ConsoleTest, WithoutDebugTheToolBarEndsAtFileManagerAndThereIsNoDebugMenu) {
    start({});
    EXPECT_EQ((QStringList{"&File", "&View", "&QUORVEX", "&Transport", "&Gain", "&Record Options", "&Help"}),
              menuTitles(window()));
    EXPECT_EQ((QStringList{"Select QUORVEX unit", "Connect", "Disconnect", "|", "File Manager"}),
              toolBarButtons(window()));
    EXPECT_EQ(nullptr, window().action(ID_VIEW_CONSOLE));
}

TEST_F(ConsoleTest, WithDebugTheDebugMenuComesBeforeHelpAndTheToolBarKeepsItsTools) {
    start({"-debug"});
    EXPECT_TRUE(window().isDebugMode());
    EXPECT_EQ((QStringList{"&File", "&View", "&QUORVEX", "&Transport", "&Gain", "&Record Options", "&Debug",
                           "&Help"}),
              menuTitles(window()));
    EXPECT_EQ((QStringList{"Select QUORVEX unit", "Connect", "Disconnect", "|", "File Manager", "|",
                           "Serial Configuration", "Debug Console", "Console Filter"}),
              toolBarButtons(window()));
    EXPECT_TRUE(enabled(window(), ID_VIEW_CONSOLE));
    EXPECT_FALSE(enabled(window(), ID_VIEW_FILTER)) << "the console is closed";
    EXPECT_EQ(QKeySequence(Qt::KeypadModifier | Qt::Key_Plus), window().action(ID_GAIN_INCREASE)->shortcut());
    EXPECT_EQ(QKeySequence(Qt::KeypadModifier | Qt::Key_Minus),
              window().action(ID_GAIN_DECREASE)->shortcut());
}

TEST_F(ConsoleTest, ConnectInitAndStreamingSetTheCommandsByTheTable) {
    start({"--simulate", "--records", "1", "--battery-period", "0"});
    ASSERT_TRUE(waitForStreaming());
    EXPECT_TRUE(waitFor([this] { return !enabled(window(), ID_TRANSPORT_LIVE); }));
    for (int id : {ID_DISCONNECT, ID_RESET_SENSOR, ID_GAIN_INCREASE, ID_GAIN_DECREASE, ID_TRANSPORT_PAUSE,
                   ID_TRANSPORT_STOP, ID_RECORD_AUTOMATIC, ID_RECORD_MANUAL}) {
        EXPECT_TRUE(enabled(window(), id)) << id;
    }
    for (int id : {ID_APP_EXIT, ID_VIEW_DEVICES, ID_CONNECT, ID_FILE_MANAGER, ID_TRANSPORT_LIVE}) {
        EXPECT_FALSE(enabled(window(), id)) << id;
    }
    const FolderValues folders = unitState().folderValues();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(folders[i] <= 9, enabled(window(), ID_WORKING_FOLDER_1 + i)) << i;
        EXPECT_EQ(folders[5] == i, checked(window(), ID_WORKING_FOLDER_1 + i)) << i;
    }
    EXPECT_EQ(unitState().autoTrigger(), checked(window(), ID_RECORD_AUTOMATIC));
    EXPECT_EQ(!unitState().autoTrigger(), checked(window(), ID_RECORD_MANUAL));
    EXPECT_EQ(QStringLiteral("connection-serial-on"), window().paneIcon(TelvaneDlg::ConnectionPane));
    EXPECT_EQ(QStringLiteral("Ready"), window().messageText());
    // The background writer puts the lines in the file a moment later.
    EXPECT_TRUE(waitForLog("|TelvaneDlg::OnConnect|Bluetooth Info goes here\n"));
    EXPECT_TRUE(waitForLog("|TelvaneDlg::OnQuorvexInitEvt|Model                  : M450\n"));

    window().OnLive();  // pauses
    ASSERT_TRUE(waitFor([this] { return unitState().streamingState() == StreamingState::Paused; }));
    window().refreshCommandState();
    EXPECT_TRUE(enabled(window(), ID_TRANSPORT_LIVE));
    EXPECT_FALSE(enabled(window(), ID_TRANSPORT_PAUSE));
    EXPECT_TRUE(enabled(window(), ID_TRANSPORT_STOP));

    window().OnStop();
    ASSERT_TRUE(waitFor(
        [this] { return unitState().operatingMode() == OperatingMode::Command && !window().isWaiting(); }));
    window().refreshCommandState();
    EXPECT_TRUE(enabled(window(), ID_TRANSPORT_LIVE));
    EXPECT_FALSE(enabled(window(), ID_TRANSPORT_STOP));

    window().OnDisconnect();
    ASSERT_TRUE(waitFor([this] {
        return unitState().connectionState() == ConnectionState::Disconnected && !window().isWaiting();
    }));
    EXPECT_FALSE(enabled(window(), ID_DISCONNECT));
    EXPECT_TRUE(enabled(window(), ID_CONNECT)) << "the simulated unit's port stays chosen";
    EXPECT_TRUE(answers_.boxes.empty()) << answers_.boxes.front().text.toStdString();
}

TEST_F(ConsoleTest, TheBatteryPaneBlinksBelowTheThresholdAndStopsWhenTheLevelIsBack) {
    start({"--simulate", "--records", "1", "--battery-period", "0", "--battery", "300"});
    ASSERT_TRUE(waitForStreaming());
    control("poll");
    ASSERT_TRUE(waitFor([this] { return window().batteryBlinking(); }));
    EXPECT_EQ(QStringLiteral("Low Battery"), window().paneTip(TelvaneDlg::BatteryPane));
    ASSERT_TRUE(waitFor([this] { return window().paneIcon(TelvaneDlg::BatteryPane).isEmpty(); }));
    ASSERT_TRUE(waitFor([this] { return window().paneIcon(TelvaneDlg::BatteryPane) == "battery-low"; }));

    control("battery 3150");
    control("poll");
    ASSERT_TRUE(waitFor([this] { return !window().batteryBlinking(); }));
    EXPECT_EQ(QStringLiteral("battery-full"), window().paneIcon(TelvaneDlg::BatteryPane));
    EXPECT_EQ(QStringLiteral("Fully charged"), window().paneTip(TelvaneDlg::BatteryPane));
}

TEST_F(ConsoleTest, TheGpsPaneFollowsTheSignalQualityOfTheTwoSecondPoll) {
    start({"--simulate", "--records", "1", "--battery-period", "0"});
    ASSERT_TRUE(waitForStreaming());
    control("gps 51.5 -0.1 20 1.2 3");
    ASSERT_TRUE(waitFor([this] { return window().paneIcon(TelvaneDlg::GpsPane) == "gps-good"; }));
    EXPECT_EQ(QStringLiteral("Good"), window().paneTip(TelvaneDlg::GpsPane));
    control("gps 51.5 -0.1 20 1.2 1");
    ASSERT_TRUE(waitFor([this] { return window().paneIcon(TelvaneDlg::GpsPane) == "gps-poor"; }));
}

// A tip says what is shown now: the live button's names what a press does, and after a
// disconnection no pane tells of the unit that was there.
TEST_F(ConsoleTest, TipsFollowThePicturesAndGoStaleNeitherOnPauseNorOnDisconnection) {
    start({"--simulate", "--records", "1", "--battery-period", "0"});
    ASSERT_TRUE(waitForStreaming());
    window().refreshCommandState();
    const QAbstractButton* live = nullptr;
    for (const QAbstractButton* button : window().findChildren<QAbstractButton*>()) {
        live = button->property("icon-name") == QStringLiteral("pause") ? button : live;
    }
    ASSERT_NE(nullptr, live) << "the playing stream's live button shows the pause picture";
    EXPECT_EQ(QStringLiteral("Pause"), live->toolTip());
    control("gps 51.5 -0.1 20 1.2 3");
    ASSERT_TRUE(waitFor([this] { return window().paneTip(TelvaneDlg::GpsPane) == "Good"; }));

    window().OnLive();  // pauses
    ASSERT_TRUE(waitFor([this] { return unitState().streamingState() == StreamingState::Paused; }));
    window().refreshCommandState();
    EXPECT_EQ(QStringLiteral("live"), live->property("icon-name").toString());
    EXPECT_EQ(QStringLiteral("Start"), live->toolTip());

    window().OnDisconnect();
    ASSERT_TRUE(waitFor([this] {
        return unitState().connectionState() == ConnectionState::Disconnected && !window().isWaiting();
    }));
    window().refreshCommandState();
    for (const int pane : {TelvaneDlg::ConnectionPane, TelvaneDlg::BatteryPane, TelvaneDlg::GpsPane}) {
        EXPECT_EQ(QString(), window().paneTip(pane)) << pane;
    }
}

TEST_F(ConsoleTest, PassagesAndIgnoredEventsAreLoggedCountedAndSavedAsUtf16) {
    start({"--simulate", "--records", "1", "--battery-period", "0"});
    ASSERT_TRUE(waitForStreaming());
    control("passage 2 10.5 -20.25 100");
    control("ignored");
    ASSERT_TRUE(waitFor([this] { return window().passageCount() == 1 && window().ignoredCount() == 1; }));
    const QString text = window().logText();
    EXPECT_TRUE(text.contains(QRegularExpression(
        R"(^\[[^\]]+\] Pig passage detected at \d\d:\d\d:\d\d\.\d\d\d, Latitude = 10\.500000, Longitude = -20\.250000, Elevation = 100\.000000\.\n)")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(R"(\n\[[^\]]+\] Event ignored\.\n$)")))
        << text.toStdString();

    const QString path = QString::fromStdString((temp_.path() / "saved.txt").string());
    answers_.fileName = path;
    window().OnSave();
    EXPECT_EQ(QStringLiteral("Text Files (*.txt)"), answers_.filter);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_EQ(2 * text.size(), bytes.size()) << "two bytes a character, no byte-order mark";
    EXPECT_EQ('[', bytes[0]);
    EXPECT_EQ('\0', bytes[1]);

    window().OnClear();
    EXPECT_EQ(0, window().passageCount());
    EXPECT_EQ(0, window().ignoredCount());
    EXPECT_TRUE(window().logText().isEmpty());
}

TEST_F(ConsoleTest, AUnitWithFirmwareOutsideTheWindowIsRefusedWithABox) {
    start({"--simulate", "--firmware", "V0.0099", "--battery-period", "0"});
    ASSERT_TRUE(waitFor([this] { return !answers_.boxes.empty(); }));
    EXPECT_TRUE(answers_.boxes[0].text.startsWith("This QUORVEX unit is running an incompatible version"));
    EXPECT_TRUE(answers_.boxes[0].text.endsWith("Current Version 0.0099"));
    EXPECT_EQ(BoxIcon::Error, answers_.boxes[0].icon);
    ASSERT_TRUE(waitFor([this] {
        return unitState().connectionState() == ConnectionState::Disconnected && !window().isWaiting();
    }));
    EXPECT_EQ(1u, answers_.boxes.size());
}

TEST_F(ConsoleTest, APortThatWillNotOpenShowsFailedToConnect) {
    start({"--port", (temp_.path() / "no-such-tty").string().c_str(), "--connect"});
    ASSERT_TRUE(waitFor([this] { return !answers_.boxes.empty() && !window().isWaiting(); }));
    ASSERT_EQ(1u, answers_.boxes.size());
    EXPECT_EQ(QStringLiteral("Failed to connect!"), answers_.boxes[0].text);
    EXPECT_FALSE(window().isWaiting());
    EXPECT_TRUE(enabled(window(), ID_CONNECT));
}

TEST_F(ConsoleTest, APortPathThatIsNotUtf8IsOpenedAsGiven) {
    quorvex::simulator::UnitSimulator unit;
    ASSERT_EQ(0u, unit.openPseudoTerminal());
    ASSERT_EQ(0u, unit.start());
    const std::filesystem::path port = temp_.path() / "unit\xFF";
    std::filesystem::create_symlink(unit.portName(), port);
    startWithArguments({"--port", port.string(), "--connect"});
    EXPECT_TRUE(waitForStreaming());
    EXPECT_TRUE(answers_.boxes.empty()) << answers_.boxes.front().text.toStdString();
}

TEST_F(ConsoleTest, TheHealthChecksBoxIsShownOnTheWindowThreadWhileTheStreamWillNotStop) {
    start({"--simulate", "--records", "1", "--battery-period", "0"});
    ASSERT_TRUE(waitForStreaming());
    control("fault noStop");
    window().OnStop();
    ASSERT_TRUE(waitFor([this] { return !answers_.boxes.empty(); }));
    EXPECT_TRUE(answers_.boxes[0].text.startsWith("Unable to stop streaming!"))
        << answers_.boxes[0].text.toStdString();
    EXPECT_TRUE(answers_.boxes[0].onWindowThread);
    ASSERT_TRUE(waitFor([this] { return unitState().connectionState() == ConnectionState::Disconnected; }));
}

TEST_F(ConsoleTest, HelpOpensTheQuickStartGuideBesideTheProgram) {
    start({});
    window().OnHelp();
    ASSERT_EQ(1u, answers_.opened.size());
    EXPECT_TRUE(answers_.opened[0].endsWith("/QuickStart.pdf"));
    QFile guide(answers_.opened[0]);
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    EXPECT_TRUE(guide.read(5) == "%PDF-") << "a PDF rendered from the Markdown guide";
    EXPECT_GT(guide.size(), 10000) << "with its text";
    EXPECT_TRUE(answers_.boxes.empty());
}

// A desktop without a PDF viewer: the operator is told so, and where the guide is to open it
// some other way.
TEST_F(ConsoleTest, HelpWithoutAPdfViewerSaysWhereTheGuideIs) {
    start({});
    answers_.viewerInstalled = false;
    window().OnHelp();
    ASSERT_EQ(1u, answers_.opened.size());
    ASSERT_EQ(1u, answers_.boxes.size());
    const std::string said = answers_.boxes[0].text.toStdString();
    EXPECT_TRUE(answers_.boxes[0].text.startsWith("No program to show PDF files is installed.")) << said;
    EXPECT_TRUE(answers_.boxes[0].text.endsWith(answers_.opened[0])) << said;
    EXPECT_EQ(answers_.boxes[0].icon, BoxIcon::Information);
}

}  // namespace
