// The debug console while a simulated unit streams (with a few damaged frames, so warnings and
// errors show among the traces), and its log filter dialog.
#include "console/CommandIds.h"
#include "console/ConsoleOptions.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "screenshots/ScreenshotScene.h"
#include "screenshots/SilentServices.h"
#include "simulator/SimulatedUnit.h"
#include "support/logconsole/LogConsoleWindow.h"

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {

using namespace quorvex::screenshots;
using namespace std::chrono_literals;
using quorvex::console::Telvane;

QWidget* shownWindow(const QString& title) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == title) {
            return widget;
        }
    }
    return nullptr;
}

// The console streaming from a simulated unit with its debug console open; false when the unit
// never streamed.
bool streamWithConsole(Telvane& telvane, SceneContext& context) {
    quorvex::console::ConsoleOptions options;
    if (!quorvex::console::parseConsoleOptions({"quorvex-console", "-debug", "--simulate", "--records", "1"},
                                               options)
             .empty() ||
        !telvane.initInstance(options).empty()) {
        return false;
    }
    const DeviceState& state = *quorvex::console::deviceStack().getDeviceState();
    if (!context.waitFor([&] { return state.streamingState() == StreamingState::Playing; })) {
        return false;
    }
    telvane.mainWindow()->action(quorvex::console::ID_VIEW_CONSOLE)->trigger();
    context.settle(1000ms);
    return true;
}

const RegisterScene console("debug-console", [](SceneContext& context) {
    QTemporaryDir profile;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile.path());
    SilentServices services;
    Telvane telvane(quorvex::console::deviceStack(), services.services());
    if (!streamWithConsole(telvane, context)) {
        return false;
    }
    if (!telvane.simulatedUnit()->control("fault badChecksum 1").empty()) {
        return false;
    }
    auto* log = qobject_cast<zeph::windows::logging::LogConsoleWindow*>(shownWindow(QStringLiteral("Log")));
    if (log == nullptr || !context.waitFor([log] {
            return !log->document()->find(QStringLiteral("Checksum mismatch")).isNull();
        })) {
        return false;
    }
    // Scrolled back to the damaged frame, as the operator would look at it.
    log->setTextCursor(log->document()->find(QStringLiteral("Checksum mismatch")));
    log->centerCursor();
    context.settle(100ms);
    return context.save(*log, QStringLiteral("debug-console"));
});

const RegisterScene filter("log-filter-options", [](SceneContext& context) {
    QTemporaryDir profile;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile.path());
    SilentServices services;
    Telvane telvane(quorvex::console::deviceStack(), services.services());
    if (!streamWithConsole(telvane, context)) {
        return false;
    }
    telvane.mainWindow()->action(quorvex::console::ID_VIEW_FILTER)->trigger();
    context.settle(300ms);
    QWidget* dialog = shownWindow(QStringLiteral("Log Filter Options"));
    return dialog != nullptr && context.save(*dialog, QStringLiteral("log-filter-options"));
});

}  // namespace
