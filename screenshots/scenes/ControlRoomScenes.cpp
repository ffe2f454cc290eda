// The control-room link: its pane while the broker cannot be reached, and its settings dialog.
#include "console/ConsoleOptions.h"
#include "console/ControlRoomDlg.h"
#include "console/ControlRoomLink.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "screenshots/ScreenshotScene.h"
#include "screenshots/SilentServices.h"

namespace {

using namespace quorvex::screenshots;
using namespace std::chrono_literals;
using quorvex::console::ControlRoomSettings;

// Port 9 of this machine (discard) has no broker: the link is offline at once.
const ControlRoomSettings Unreachable{"mqtt://field@127.0.0.1:9/quorvex", "secret", "", "", "", ""};

const RegisterScene pane("control-room-pane", [](SceneContext& context) {
    SilentServices services;
    quorvex::console::Telvane telvane(quorvex::console::deviceStack(), services.services());
    quorvex::console::ConsoleOptions options;
    if (!quorvex::console::parseConsoleOptions({"quorvex-console"}, options).empty() ||
        !telvane.initInstance(options).empty()) {
        return false;
    }
    quorvex::console::ControlRoomLink& link = *telvane.mainWindow()->controlRoom();
    link.apply(Unreachable);
    const bool offline =
        context.waitFor([&] { return link.pane()->text().startsWith("Control room: offline"); });
    context.settle(600ms);
    return offline && context.save(*telvane.mainWindow(), QStringLiteral("control-room-pane"));
});

const RegisterScene dialog("control-room-dialog", [](SceneContext& context) {
    quorvex::console::ControlRoomDlg settings(Unreachable, nullptr);
    settings.show();
    context.settle(300ms);
    return context.save(settings, QStringLiteral("control-room-dialog"));
});

}  // namespace
