// Faults an operator meets in the field: a flood of passages, a full disk under File > Save and
// under the debug log, and ports that will not connect.
#include "console/CommandIds.h"
#include "console/widgets/PigPassageDlg.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/TextConversion.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/helpers/FileSizeLimit.h"
#include "tests/helpers/PseudoTerminal.h"

#include <QAction>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>

#include <sys/file.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;
using namespace console;
using console::PigPassageDlg;
using console::TelvaneDlg;

int linesWith(const QString& text, const QString& part) {
    return static_cast<int>(text.count(part));
}

std::string fileContent(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void flushLog() {
    zeph::windows::logging::LogBeacon::instance().flush();
}

TEST_F(ConsoleTest, APassageFloodOpensTwentyDialogsCountsTheRestAndLeavesStopAndDisconnectReachable) {
    start({"--simulate", "--records", "1", "--battery-period", "0", "--passage-every", "10"});
    ASSERT_TRUE(waitFor([this] { return window().passageCount() >= 60; }));
    std::vector<PigPassageDlg*> open = PigPassageDlg::openDialogs();
    EXPECT_EQ(open.size(), TelvaneDlg::MaxPassageDialogs);
    // The count on the newest dialog follows the counter of the main window.
    ASSERT_TRUE(waitFor([this] {
        for (PigPassageDlg* dialog : PigPassageDlg::openDialogs()) {
            if (dialog->laterPassagesText() ==
                QStringLiteral("%1 more passages arrived; the Log tab lists every passage.")
                    .arg(window().passageCount() - static_cast<int>(TelvaneDlg::MaxPassageDialogs))) {
                return true;
            }
        }
        return false;
    }));

    QPointer<PigPassageDlg> closed = open.front();
    closed->accept();
    const int before = window().passageCount();
    ASSERT_TRUE(waitFor([&] { return window().passageCount() >= before + 20; }));
    EXPECT_FALSE(window().isWaiting()) << "the flood must not take the main window back";
    EXPECT_TRUE(window().action(ID_TRANSPORT_STOP)->isEnabled());
    EXPECT_TRUE(window().action(ID_DISCONNECT)->isEnabled());
    EXPECT_EQ(PigPassageDlg::openDialogs().size(), TelvaneDlg::MaxPassageDialogs - 1);
    EXPECT_EQ(linesWith(window().logText(), QStringLiteral("] Pig passage detected at ")),
              window().passageCount())
        << "every passage is still logged";

    // Once every dialog is closed, the next passage has a dialog of its own again.
    for (PigPassageDlg* dialog : PigPassageDlg::openDialogs()) {
        dialog->accept();
    }
    EXPECT_TRUE(waitFor([] { return !PigPassageDlg::openDialogs().empty(); }));
}

TEST_F(ConsoleTest, SaveOntoAFullDiskOrAFifoSaysSoAndLeavesTheFileThatWasThere) {
    start({});
    // A log longer than the room left on the "disk".
    for (int i = 0; i < 200; ++i) {
        window().reportProblem(std::string(1000, static_cast<char>('a' + i % 26)));
    }
    flushLog();
    const QString text = window().logText();
    ASSERT_GT(text.size(), 200000);
    const fs::path saved = temp_.path() / "saved.txt";
    const std::string earlier = "the log saved before\n";
    struct Row {
        const char* what;
        std::function<void()> make;
        QString reason;
        std::function<bool()> untouched;
    };
    const Row rows[] = {
        {"a full disk", [&] { std::ofstream(saved, std::ios::binary) << earlier; },
         QStringLiteral("There is not enough space on the disk."),
         [&] { return fileContent(saved) == earlier; }},
        {"a FIFO", [&] { ::mkfifo(saved.c_str(), 0600); }, QStringLiteral("Access is denied."),
         [&] { return fs::is_fifo(saved); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(saved);
        row.make();
        answers_.boxes.clear();
        answers_.fileName = QString::fromStdString(saved.string());
        {
            // Room for the debug log's next lines, not for the saved log.
            const FileSizeLimit full(fs::file_size(telvane_->debugLog().filePath()) + 64 * 1024);
            ASSERT_TRUE(full.applied());
            window().OnSave();
        }
        ASSERT_EQ(answers_.boxes.size(), 1u);
        EXPECT_EQ(answers_.boxes[0].text,
                  QStringLiteral("The log could not be saved to %1: %2").arg(*answers_.fileName, row.reason));
        EXPECT_TRUE(row.untouched());
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(temp_.path())) {
            entries += entry.path().filename().string().starts_with("saved.txt") ? 1 : 0;
        }
        EXPECT_EQ(entries, 1u) << "no half-written file is left beside it";
    }
    EXPECT_TRUE(
        waitForLog("|TelvaneDlg::OnSave|The log could not be saved to " + saved.string() + ", [112].\n"));

    fs::remove(saved);
    window().OnSave();
    EXPECT_EQ(fs::file_size(saved), static_cast<std::uintmax_t>(2 * window().logText().size()));
}

TEST_F(ConsoleTest, AFailedConnectionSaysItsCauseInTheLogAndTheStatusBarUnderTheSameBox) {
    const PseudoTerminal silent;
    const PseudoTerminal held;
    ASSERT_EQ(0, ::flock(held.slave(), LOCK_EX | LOCK_NB));
    const fs::path fifo = temp_.path() / "fifo";
    const fs::path file = temp_.path() / "file";
    ::mkfifo(fifo.c_str(), 0600);
    std::ofstream(file) << "not a port";
    struct Row {
        std::string port;
        std::string cause;
    };
    const Row rows[] = {
        {fifo.string(), fifo.string() + " is not a serial port"},
        {file.string(), file.string() + " is not a serial port"},
        {"/dev/null", "/dev/null is not a serial port"},
        {temp_.path().string(), temp_.path().string() + " is not a serial port"},
        {(temp_.path() / "gone").string(), (temp_.path() / "gone").string() + " leads to no device"},
        {held.slaveName(), held.slaveName() + " is held by another program"},
        {silent.slaveName(), "no answer from the unit on " + silent.slaveName()},
    };
    start({});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.port);
        answers_.boxes.clear();
        zeph::windows::communication::SerialSettings settings;
        settings.setDevicePath(zeph::platform::widenPath(row.port));
        window().setSerialSettings(settings);
        window().OnConnect();
        ASSERT_TRUE(waitFor([this] {
            return !answers_.boxes.empty() && !window().isWaiting() &&
                   unitState().connectionState() == ConnectionState::Disconnected;
        }));
        const QString status =
            QStringLiteral("Failed to connect: %1.").arg(QString::fromStdString(row.cause));
        EXPECT_EQ(answers_.boxes[0].text, QStringLiteral("Failed to connect!"));
        EXPECT_EQ(answers_.boxes[0].status, status) << "said before the box, not 'Attempting to connect...'";
        EXPECT_TRUE(waitFor([&] { return window().messageText() == status; }))
            << window().messageText().toStdString();
        EXPECT_TRUE(waitForLog("|Failed to connect: " + row.cause + ".\n"));
        EXPECT_TRUE(waitForLog("|TelvaneDlg::OnConnect|Port                   : " + row.port + "\n"));
    }
}

TEST_F(ConsoleTest, APortNumberNoPortHasOpensTheWindowAndSaysSoThere) {
    const QString noSuchPort =
        QStringLiteral("--port %1: there is no such COM port; choose the unit in View > Devices.");
    const QString nowhere = QStringLiteral("Failed to connect: %1 (%2/com999999) leads to no device.");
    const std::pair<const char*, QString> rows[] = {
        {"COM0", noSuchPort.arg("COM0")},
        {"com1234567", noSuchPort.arg("com1234567")},
        {"COM999999", nowhere.arg("COM999999", QString::fromStdString((temp_.path() / "ports").string()))},
    };
    for (const auto& [port, told] : rows) {
        SCOPED_TRACE(port);
        start({"--port", port, "--connect"});
        ASSERT_TRUE(waitFor([&] { return window().messageText() == told && !window().isWaiting(); }))
            << window().messageText().toStdString();
        EXPECT_TRUE(window().isVisible());
        EXPECT_TRUE(told.startsWith("Failed") || window().logText().endsWith("] " + told + "\n"))
            << window().logText().toStdString();
        telvane_.reset();
        telvane_ = std::make_unique<console::Telvane>(console::deviceStack(), answers_.services());
    }
}

TEST_F(ConsoleTest, DebugLogFailuresAreToldOnceInTheLogTabAndTheStatusBarWithTheLinesLost) {
    start({});
    const fs::path path = zeph::platform::narrowPath(telvane_->debugLog().filePath());
    flushLog();
    {
        const FileSizeLimit full(fs::file_size(path) + 4096);
        ASSERT_TRUE(full.applied());
        for (int i = 0; i < 400; ++i) {
            zeph::windows::logging::LogBeacon::log("FieldFaultsTest", zeph::windows::logging::Information,
                                                   L"line %d of a day that fills the disk", i);
        }
        // Each look at the window logs a line more, so that a batch after the failing one tells it.
        ASSERT_TRUE(waitFor([this] {
            zeph::windows::logging::LogBeacon::log("FieldFaultsTest", zeph::windows::logging::Information,
                                                   L"poll");
            return window().logText().contains("] Writing the debug log ");
        }));
        EXPECT_TRUE(
            window().messageText().startsWith(QStringLiteral("Writing the debug log %1 failed: There is not "
                                                             "enough space on the disk. (error 112); lines "
                                                             "are lost until it can be written again.")
                                                  .arg(QString::fromStdString(path.string()))))
            << window().messageText().toStdString();
    }
    zeph::windows::logging::LogBeacon::log("FieldFaultsTest", zeph::windows::logging::Information,
                                           L"room again");
    ASSERT_TRUE(waitFor([this] {
        zeph::windows::logging::LogBeacon::log("FieldFaultsTest", zeph::windows::logging::Information,
                                               L"poll");
        return window().logText().contains(" is written again; ");
    }));
    const QRegularExpression lost(
        QStringLiteral("The debug log .* is written again; ([0-9]+) lines were lost\\.\n"));
    const QRegularExpressionMatch match = lost.match(window().logText());
    ASSERT_TRUE(match.hasMatch());
    EXPECT_GT(match.captured(1).toInt(), 100);
    EXPECT_EQ(linesWith(window().logText(), QStringLiteral("] Writing the debug log ")), 1);
}

TEST_F(ConsoleTest, ADebugLogThatCannotBeCreatedIsToldInTheWindow) {
    const fs::path notAFolder = temp_.path() / "not-a-folder";
    std::ofstream(notAFolder) << "a file where the folder should be";
    ::setenv("TEMP", notAFolder.c_str(), 1);
    start({});
    const QString told = QStringLiteral("No debug log is written: it cannot be created in %1: ")
                             .arg(QString::fromStdString(notAFolder.string()));
    EXPECT_TRUE(window().messageText().startsWith(told)) << window().messageText().toStdString();
    EXPECT_TRUE(window().logText().contains("] " + told));
}

}  // namespace
}  // namespace quorvex::test
