#pragma once

#include "console/CommandIds.h"
#include "support/logconsole/LogConsoleWindow.h"
#include "support/logging/LogBeacon.h"
#include "tests/console/ConsoleFixture.h"

#include <QAction>
#include <QSettings>
#include <QTextBlock>

namespace quorvex::test {

// The console with its debug menu; the log filter dialog's profile in the test's own folder.
class DebugToolsTest : public ConsoleTest {
protected:
    DebugToolsTest() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString((temp_.path() / "config").string()));
    }

    void trigger(int id) { window().action(id)->trigger(); }
    bool checked(int id) const { return window().action(id)->isChecked(); }
    bool enabled(int id) const { return window().action(id)->isEnabled(); }

    // The shown top-level window of that title, or null.
    template <typename Window = QWidget>
    static Window* shownWindow(const QString& title) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->windowTitle() == title) {
                return qobject_cast<Window*>(widget);
            }
        }
        return nullptr;
    }

    // Delivers the log and shows it in the console at once; the lines without time stamps.
    static QStringList consoleLines() {
        zeph::windows::logging::LogBeacon::instance().flush();
        auto* console = shownWindow<zeph::windows::logging::LogConsoleWindow>(QStringLiteral("Log"));
        if (console == nullptr) {
            return {};
        }
        console->appendPending();
        QStringList lines;
        for (QTextBlock block = console->document()->begin(); block.isValid(); block = block.next()) {
            if (!block.text().isEmpty()) {
                lines.append(block.text().mid(24));
            }
        }
        return lines;
    }
};

}  // namespace quorvex::test
