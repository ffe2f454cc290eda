// The debug console while a simulated unit streams (with a few damaged frames, so warnings and
// errors show among the traces), its log filter dialog, and both while a passage dialog holds the
// main window in its wait state.
#include "console/CommandIds.h"
#include "console/ConsoleOptions.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "console/widgets/PigPassageDlg.h"
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

#include <functional>

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

// Starts the console on a simulated unit with the debug console open, waits for the stream, then
// lets the scene show what it shows; false when the unit never streamed. The filter dialog's place
// is kept in a profile of the scene's own.
bool withStreamingConsole(SceneContext& context, const std::function<bool(Telvane&)>& show) {
    QTemporaryDir profile;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile.path());
    SilentServices services;
    Telvane telvane(quorvex::console::deviceStack(), services.services());
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
    return show(telvane);
}

const RegisterScene console("debug-console", [](SceneContext& context) {
    return withStreamingConsole(context, [&context](Telvane& telvane) {
        if (!telvane.simulatedUnit()->control("fault badChecksum 1").empty()) {
            return false;
        }
        auto* log =
            qobject_cast<zeph::windows::logging::LogConsoleWindow*>(shownWindow(QStringLiteral("Log")));
        const QString error = QStringLiteral("Checksum mismatch");
        if (log == nullptr || !context.waitFor([&] { return !log->document()->find(error).isNull(); })) {
            return false;
        }
        // Scrolled back to the damaged frame, as the operator would look at it.
        log->setTextCursor(log->document()->find(error));
        log->centerCursor();
        context.settle(100ms);
        return context.save(*log, QStringLiteral("debug-console"));
    });
});

const RegisterScene filter("log-filter-options", [](SceneContext& context) {
    return withStreamingConsole(context, [&context](Telvane& telvane) {
        telvane.mainWindow()->action(quorvex::console::ID_VIEW_FILTER)->trigger();
        context.settle(300ms);
        QWidget* dialog = shownWindow(QStringLiteral("Log Filter Options"));
        return dialog != nullptr && context.save(*dialog, QStringLiteral("log-filter-options"));
    });
});

// A passage dialog open: only the main window waits. The filter dialog stays usable, and the
// log tab's line written meanwhile (an ignored event) reads like the others.
const RegisterScene waitState("wait-state", [](SceneContext& context) {
    return withStreamingConsole(context, [&context](Telvane& telvane) {
        telvane.mainWindow()->action(quorvex::console::ID_VIEW_FILTER)->trigger();
        telvane.simulatedUnit()->control("passage 2 51.507 -0.128 35");
        if (!context.waitFor([] { return !quorvex::console::PigPassageDlg::openDialogs().empty(); })) {
            return false;
        }
        telvane.simulatedUnit()->control("ignored 3");
        context.settle(1500ms);
        QWidget* filterDialog = shownWindow(QStringLiteral("Log Filter Options"));
        auto* passage = quorvex::console::PigPassageDlg::openDialogs().front();
        return telvane.mainWindow()->isWaiting() && filterDialog != nullptr && filterDialog->isEnabled() &&
               context.save(*telvane.mainWindow(), QStringLiteral("wait-state-main-window")) &&
               context.save(*filterDialog, QStringLiteral("wait-state-filter")) &&
               context.save(*passage, QStringLiteral("wait-state-passage"));
    });
});

}  // namespace
