#include "console/DesktopServices.h"
#include "console/widgets/LogTab.h"
#include "console/widgets/PigPassageDlg.h"
#include "support/logconsole/LogFilterOptionsDlg.h"
#include "support/ui/ApplicationProfile.h"
#include "tests/console/DebugToolsFixture.h"

#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

namespace {

using namespace quorvex::console;
using namespace zeph::windows::logging;
using quorvex::test::DebugToolsTest;

class DebugTools : public quorvex::test::DebugToolsTest {
protected:
    void SetUp() override { start({"-debug"}); }
};

TEST_F(DebugTools, ViewConsoleOpensAndClosesTheLogWindow) {
    EXPECT_TRUE(enabled(ID_VIEW_CONSOLE));
    EXPECT_FALSE(checked(ID_VIEW_CONSOLE));
    EXPECT_FALSE(enabled(ID_VIEW_FILTER));

    trigger(ID_VIEW_CONSOLE);
    EXPECT_NE(shownWindow("Log"), nullptr);
    EXPECT_TRUE(checked(ID_VIEW_CONSOLE));
    EXPECT_TRUE(enabled(ID_VIEW_FILTER));
    EXPECT_FALSE(checked(ID_VIEW_FILTER));
    LogBeacon::log("Test::console", Warning, L"seen");
    EXPECT_TRUE(consoleLines().contains("Test::console seen"));

    trigger(ID_VIEW_CONSOLE);
    EXPECT_EQ(shownWindow("Log"), nullptr);
    EXPECT_FALSE(checked(ID_VIEW_CONSOLE));
    EXPECT_FALSE(enabled(ID_VIEW_FILTER));
}

TEST_F(DebugTools, ViewFilterDoesNothingWhileTheConsoleIsClosed) {
    // The command is greyed; even when it comes anyway, nothing opens.
    EXPECT_FALSE(enabled(ID_VIEW_FILTER));
    window().action(ID_VIEW_FILTER)->setEnabled(true);
    trigger(ID_VIEW_FILTER);
    EXPECT_EQ(shownWindow("Log Filter Options"), nullptr);
    EXPECT_TRUE(window().findChildren<LogFilterOptionsDlg*>().isEmpty());
}

TEST_F(DebugTools, ClosingTheConsoleClosesItsFilter) {
    trigger(ID_VIEW_CONSOLE);
    trigger(ID_VIEW_FILTER);
    EXPECT_NE(shownWindow("Log Filter Options"), nullptr);
    EXPECT_TRUE(checked(ID_VIEW_FILTER));
    trigger(ID_VIEW_FILTER);
    EXPECT_EQ(shownWindow("Log Filter Options"), nullptr);
    EXPECT_FALSE(checked(ID_VIEW_FILTER));

    trigger(ID_VIEW_FILTER);
    trigger(ID_VIEW_CONSOLE);
    EXPECT_EQ(shownWindow("Log Filter Options"), nullptr);
    EXPECT_EQ(shownWindow("Log"), nullptr);
    EXPECT_TRUE(window().findChildren<LogFilterOptionsDlg*>().isEmpty());
}

TEST_F(DebugTools, AFilterClosedByItsCloseBoxOpensAgainOnTheNextViewFilter) {
    trigger(ID_VIEW_CONSOLE);
    trigger(ID_VIEW_FILTER);
    shownWindow<QDialog>("Log Filter Options")->reject();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window().findChildren<LogFilterOptionsDlg*>().isEmpty());
    EXPECT_FALSE(checked(ID_VIEW_FILTER));
    trigger(ID_VIEW_FILTER);
    EXPECT_NE(shownWindow("Log Filter Options"), nullptr);
}

TEST_F(DebugTools, OnlyErrorLinesAfterUpdateVerbosityWithErrorAloneChecked) {
    trigger(ID_VIEW_CONSOLE);
    trigger(ID_VIEW_FILTER);
    auto* filter = shownWindow<LogFilterOptionsDlg>("Log Filter Options");
    ASSERT_NE(filter, nullptr);
    auto* levels = filter->findChild<QListWidget*>("levels");
    for (int row = 0; row < levels->count(); ++row) {
        levels->item(row)->setCheckState(levels->item(row)->text() == "Error" ? Qt::Checked : Qt::Unchecked);
    }
    filter->findChild<QPushButton*>("updateVerbosity")->click();
    for (const LogVerbosity* level : LogVerbosity::registry()) {
        LogBeacon::log("Test::filter", *level, L"%s", level->name());
    }
    const QStringList lines = consoleLines();
    EXPECT_EQ(lines.filter("Test::filter"), QStringList({"Test::filter Error"}));
    EXPECT_TRUE(lines.filter("TelvaneDlg::OnViewFilter").isEmpty());
}

TEST_F(DebugTools, ConnectClearsTheConsole) {
    trigger(ID_VIEW_CONSOLE);
    LogBeacon::log("Test::connect", Error, L"before");
    ASSERT_TRUE(consoleLines().contains("Test::connect before"));
    window().OnConnect();
    const QStringList lines = consoleLines();
    EXPECT_FALSE(lines.contains("Test::connect before"));
    EXPECT_FALSE(lines.isEmpty());  // what the connection logs after the clearing
}

TEST_F(DebugTools, TheMainWindowTakesItsDebugToolsWithIt) {
    trigger(ID_VIEW_CONSOLE);
    trigger(ID_VIEW_FILTER);
    telvane_.reset();
    EXPECT_EQ(shownWindow("Log"), nullptr);
    EXPECT_EQ(shownWindow("Log Filter Options"), nullptr);
    // The filter's place was saved as it went.
    const QSettings profile(zeph::windows::ui::ApplicationProfile::fileName(), QSettings::IniFormat);
    EXPECT_TRUE(profile.contains("Log Filter Dialog/Rectangle"));
}

// The colour a log-tab line containing the text was written in; invalid while it is not on screen.
QColor logLineColour(const TelvaneDlg& window, const QString& text) {
    const auto* edit = window.findChild<LogTab*>()->findChild<QPlainTextEdit*>();
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().contains(text)) {
            return block.begin().fragment().charFormat().foreground().color();
        }
    }
    return {};
}

// While a passage dialog is open only the main window waits: the filter dialog and a box already
// on screen stay usable, the busy cursor is the main window's alone, and a log-tab line written
// meanwhile is as readable as any other.
TEST_F(DebugToolsTest, WhileAPassageDialogIsOpenOnlyTheMainWindowWaits) {
    start({"-debug", "--simulate", "--records", "1", "--battery-period", "0", "--gain", "8"});
    ASSERT_TRUE(waitForStreaming());
    trigger(ID_VIEW_CONSOLE);
    trigger(ID_VIEW_FILTER);
    auto* filter = shownWindow<LogFilterOptionsDlg>("Log Filter Options");
    ASSERT_NE(filter, nullptr);

    bool boxUsable = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        control("passage 1");
        boxUsable = waitFor([&] { return window().isWaiting(); }) && box != nullptr && box->isEnabled();
        if (box != nullptr) {
            box->close();
        }
    });
    DesktopServices().show(&window(), QStringLiteral("Failed to connect!"), BoxIcon::Error);
    EXPECT_TRUE(boxUsable) << "a box on screen when the wait began must stay usable";
    ASSERT_TRUE(window().isWaiting());
    const auto passages = PigPassageDlg::openDialogs();
    ASSERT_EQ(1u, passages.size());

    EXPECT_FALSE(window().menuBar()->isEnabled() || window().centralWidget()->isEnabled() ||
                 window().toolBar()->isEnabled())
        << "the main window waits";
    EXPECT_TRUE(filter->isEnabled());
    EXPECT_TRUE(filter->findChild<QPushButton*>("updateVerbosity")->isEnabled());
    EXPECT_EQ(nullptr, QApplication::overrideCursor()) << "the busy cursor would cover every window";
    EXPECT_EQ(Qt::WaitCursor, window().cursor().shape());
    EXPECT_NE(Qt::WaitCursor, passages[0]->cursor().shape());

    control("ignored");
    ASSERT_TRUE(waitFor([&] { return window().ignoredCount() == 1; }));
    // The tab puts its lines on screen in batches.
    ASSERT_TRUE(waitFor([&] { return logLineColour(window(), QStringLiteral("Event ignored.")).isValid(); }));
    const QRgb written = logLineColour(window(), QStringLiteral("Event ignored.")).rgba();
    EXPECT_EQ(window().palette().color(QPalette::Active, QPalette::WindowText).rgba(), written);
    EXPECT_NE(window().palette().color(QPalette::Disabled, QPalette::WindowText).rgba(), written);

    QApplication::setActiveWindow(&window());
    QTest::keyClick(&window(), Qt::Key_Plus, Qt::KeypadModifier);  // Increase gain, dead while waiting

    passages[0]->accept();
    EXPECT_FALSE(window().isWaiting());
    QApplication::setActiveWindow(&window());
    QTest::keyClick(&window(), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_TRUE(waitFor([&] { return unitState().gain() == 7; })) << "a key command went through the wait";
    EXPECT_TRUE(window().menuBar()->isEnabled() && window().centralWidget()->isEnabled() &&
                window().toolBar()->isEnabled());
    EXPECT_NE(Qt::WaitCursor, window().cursor().shape());
}

}  // namespace
