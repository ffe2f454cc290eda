// The main window as the operator first sees it, and while a simulated unit streams.
#include "console/ConsoleOptions.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "console/widgets/PigPassageDlg.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "screenshots/PassageWait.h"
#include "screenshots/ScreenshotScene.h"
#include "screenshots/SilentServices.h"
#include "simulator/SimulatedUnit.h"

namespace {

using namespace quorvex::screenshots;
using namespace std::chrono_literals;
using quorvex::console::Telvane;

bool startConsole(Telvane& telvane, std::vector<std::string> arguments) {
    quorvex::console::ConsoleOptions options;
    arguments.insert(arguments.begin(), "quorvex-console");
    const std::string error = quorvex::console::parseConsoleOptions(arguments, options);
    return error.empty() && telvane.initInstance(options).empty();
}

const RegisterScene disconnected("main-window-disconnected", [](SceneContext& context) {
    SilentServices services;
    Telvane telvane(quorvex::console::deviceStack(), services.services());
    if (!startConsole(telvane, {"-debug"})) {
        return false;
    }
    context.settle(300ms);
    return context.save(*telvane.mainWindow(), QStringLiteral("main-window-disconnected"));
});

const RegisterScene streaming("main-window-streaming", [](SceneContext& context) {
    SilentServices services;
    IUserInterface& device = quorvex::console::deviceStack();
    Telvane telvane(device, services.services());
    if (!startConsole(telvane, {"--simulate", "--demo"})) {
        return false;
    }
    const DeviceState& state = *device.getDeviceState();
    const bool streamingNow = context.waitFor([&] {
        return state.streamingState() == StreamingState::Playing && !telvane.mainWindow()->isWaiting();
    });
    // The demo as a new user sees it: its first passage, 15 s in, with the rise and the fall on
    // the plot once the operator has closed the passage's window; an ignored event and a GPS
    // reading for the log tab, the counters and the status bar.
    telvane.simulatedUnit()->control("gps 51.507 -0.128 35 0.9 4");
    telvane.simulatedUnit()->control("ignored 3");
    quorvex::console::PigPassageDlg* passage = awaitPassageDialog(context);
    if (passage != nullptr) {
        passage->accept();
    }
    context.settle(3000ms);
    return streamingNow && passage != nullptr &&
           context.save(*telvane.mainWindow(), QStringLiteral("main-window-streaming"));
});

// A port that is no serial port: the box has been answered and the status bar says why.
const RegisterScene connectFailure("main-window-connect-failure", [](SceneContext& context) {
    SilentServices services;
    Telvane telvane(quorvex::console::deviceStack(), services.services());
    if (!startConsole(telvane, {"--port", "/dev/null", "--connect"})) {
        return false;
    }
    const bool told = context.waitFor([&] {
        return telvane.mainWindow()->messageText().startsWith(QStringLiteral("Failed to connect: "));
    });
    context.settle(300ms);
    return told && context.save(*telvane.mainWindow(), QStringLiteral("main-window-connect-failure"));
});

}  // namespace
