#include "support/logconsole/ConsoleColor.h"
#include "support/platform/ErrorCodes.h"
#include "tests/helpers/ColourContrast.h"
#include "tests/support/logconsole/ConsoleFixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPalette>
#include <QRegularExpression>
#include <QTextCharFormat>

#include <cstdlib>
#include <map>

namespace {

using namespace zeph::windows::logging;
using quorvex::test::ConsoleFixture;

using LogConsole = ConsoleFixture;

QColor colourOf(zeph::platform::COLORREF colour) {
    return QColor(zeph::platform::GetRValue(colour), zeph::platform::GetGValue(colour),
                  zeph::platform::GetBValue(colour));
}

TEST_F(LogConsole, OpensATopLevelLogWindowWithoutCloseButton) {
    EXPECT_FALSE(console_->isOpen());
    ASSERT_TRUE(console_->open());
    LogConsoleWindow* window = console_->window();
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Log");
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(window->palette().color(QPalette::Base), QColor(Qt::black));
    // The window manager's close request is refused as well.
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(console_->open());
}

TEST_F(LogConsole, ShowsEveryEntryAsOneLineInItsLevelsColour) {
    ASSERT_TRUE(console_->open());
    logEveryLevel();
    deliver();
    const QStringList expected{
        "Test::levels Debug Level 1 entry",  "Test::levels Debug Level 2 entry",
        "Test::levels Debug Level 3 entry",  "Test::levels Debug Level 4 entry",
        "Test::levels Information entry",    "Test::levels Warning entry",
        "Test::levels Error entry",          "Test::levels UI Info entry",
        "Test::levels App Specific 1 entry", "Test::levels App Specific 2 entry",
        "Test::levels App Specific 3 entry", "Test::levels App Specific 4 entry",
    };
    EXPECT_EQ(shownLines(), expected);

    const std::vector<const LogVerbosity*> levels = LogVerbosity::registry();
    QTextBlock block = console_->window()->document()->begin();
    for (const LogVerbosity* level : levels) {
        const QTextCharFormat format = block.begin().fragment().charFormat();
        const std::uint16_t attribute = consoleAttributeOf(*level);
        EXPECT_EQ(format.foreground().color(), colourOf(consoleForegroundColour(attribute)))
            << block.text().toStdString();
        EXPECT_EQ(format.background().color(), QColor(Qt::black));
        block = block.next();
    }
    // The time stamp leads each line: "MM/DD/YYYY HH:MM:SS.mmm ".
    EXPECT_TRUE(console_->window()->document()->begin().text().contains(
        QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3} Test::levels")));
}

// Every level's colour reads on the background the console paints it on (black, whatever the
// desktop's palette), and keeps the hue of its console colour (within a few degrees).
TEST_F(LogConsole, EveryLevelsColourReadsOnTheConsolesBackgroundUnderLightAndDarkPalettes) {
    const std::map<std::uint16_t, int> consoleHues{{0x01, 225}, {0x09, 221}, {0x0B, 180}, {0x0A, 117},
                                                   {0x07, -1},  {0x0E, 54},  {0x0C, 355}, {0x08, -1}};
    const QPalette desktop = QApplication::palette();
    QPalette dark = desktop;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::Text, Qt::white);
    for (const QPalette& palette : {desktop, dark}) {
        QApplication::setPalette(palette);
        console_ = std::make_unique<LogConsoleListener>();
        ASSERT_TRUE(console_->open());
        logEveryLevel();
        deliver();
        const QColor base = console_->window()->palette().color(QPalette::Base);
        QTextBlock block = console_->window()->document()->begin();
        for (const LogVerbosity* level : LogVerbosity::registry()) {
            const QTextCharFormat format = block.begin().fragment().charFormat();
            const QColor text = format.foreground().color();
            const std::string name = QString::fromStdWString(level->name()).toStdString();
            EXPECT_GE(quorvex::test::colourContrast(text, format.background().color()), 4.5) << name;
            EXPECT_GE(quorvex::test::colourContrast(text, base), 4.5) << name << " between lines";
            const int hue = consoleHues.at(consoleAttributeOf(*level));
            EXPECT_LE(std::abs(text.hslHue() - hue), 3) << name << " " << text.name().toStdString();
            block = block.next();
        }
    }
    QApplication::setPalette(desktop);
}

TEST_F(LogConsole, ShowsNothingBeforeOpenAndNothingTheMaskRefuses) {
    logEveryLevel();
    beacon_->flush();
    ASSERT_TRUE(console_->open());
    EXPECT_EQ(console_->window()->pendingLines(), 0u);
    console_->setFilter(static_cast<std::uint16_t>(Warning.value() | Error.value()));
    logEveryLevel();
    deliver();
    EXPECT_EQ(shownLines(), QStringList({"Test::levels Warning entry", "Test::levels Error entry"}));
}

TEST_F(LogConsole, AppendsOnItsTimerWithoutBeingAsked) {
    ASSERT_TRUE(console_->open());
    LogBeacon::log("Test::timer", Information, L"late");
    beacon_->flush();
    EXPECT_TRUE(shownLines().isEmpty());
    const QDeadlineTimer deadline(5000);
    while (shownLines().isEmpty() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(shownLines(), QStringList({"Test::timer late"}));
}

TEST_F(LogConsole, ClearBlanksShownAndQueuedLines) {
    ASSERT_TRUE(console_->open());
    console_->setFilter(static_cast<std::uint16_t>(Error.value()));
    logEveryLevel();
    deliver();
    LogBeacon::log("Test::clear", Error, L"queued");
    beacon_->flush();
    console_->clear();
    console_->window()->appendPending();
    EXPECT_TRUE(shownLines().isEmpty());
    LogBeacon::log("Test::clear", Error, L"after");
    deliver();
    EXPECT_EQ(shownLines(), QStringList({"Test::clear after"}));
}

TEST_F(LogConsole, KeepsOnlyTheNewestLines) {
    ASSERT_TRUE(console_->open());
    constexpr int kLogged = 3 * LogConsoleWindow::kMaxLines + 17;
    for (int i = 0; i < kLogged; ++i) {
        LogBeacon::log("Test::bound", DebugLevel4, L"line %d", i);
        if (i % 1000 == 999) {
            deliver();
        }
    }
    beacon_->flush();
    EXPECT_LE(console_->window()->pendingLines(), static_cast<std::size_t>(LogConsoleWindow::kMaxLines));
    console_->window()->appendPending();
    const QStringList lines = shownLines();
    ASSERT_GE(lines.size(), LogConsoleWindow::kMaxLines - 1);
    EXPECT_LE(console_->window()->document()->blockCount(), LogConsoleWindow::kMaxLines);
    EXPECT_EQ(lines.last(), QString("Test::bound line %1").arg(kLogged - 1));
    EXPECT_EQ(lines.first(), QString("Test::bound line %1").arg(kLogged - lines.size()));
}

TEST_F(LogConsole, DropsTheOldestQueuedLinesWhenTheWindowFallsBehind) {
    ASSERT_TRUE(console_->open());
    constexpr int kLogged = LogConsoleWindow::kMaxLines + 10;
    for (int i = 0; i < kLogged; ++i) {
        LogBeacon::log("Test::behind", DebugLevel4, L"line %d", i);
    }
    beacon_->flush();
    EXPECT_EQ(console_->window()->pendingLines(), static_cast<std::size_t>(LogConsoleWindow::kMaxLines));
    console_->window()->appendPending();
    const QStringList lines = shownLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), QString("Test::behind line %1").arg(kLogged - 1));
    EXPECT_EQ(lines.first(), QString("Test::behind line %1").arg(kLogged - lines.size()));
}

TEST_F(LogConsole, IsAttachedOnlyWhileOpen) {
    EXPECT_EQ(console_->detach(), zeph::platform::ERROR_NOT_CONNECTED);
    ASSERT_TRUE(console_->open());
    EXPECT_EQ(console_->attach(), zeph::platform::ERROR_ALREADY_INITIALIZED);
    LogBeacon::log("Test::attach", Error, L"pending at destruction");
    console_.reset();
    // The entry posted before the console went away is delivered to nobody, safely.
    beacon_->flush();
    console_ = std::make_unique<LogConsoleListener>();
    EXPECT_EQ(console_->detach(), zeph::platform::ERROR_NOT_CONNECTED);
}

}  // namespace
