// The console's widgets while a simulated unit streams: the axis plot tab, the device info tab
// and a pig passage dialog.
#include "console/ConsoleOptions.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "console/widgets/PigPassageDlg.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "screenshots/ScreenshotScene.h"
#include "screenshots/SilentServices.h"
#include "simulator/SimulatedUnit.h"

#include <QTabWidget>

namespace {

using namespace quorvex::screenshots;
using namespace std::chrono_literals;
using quorvex::console::Telvane;
using quorvex::console::TelvaneDlg;

// Starts the console on a simulated unit streaming one-record frames, waits for the stream and
// hands the running console to `show`.
bool withStreamingConsole(SceneContext& context, const std::function<bool(Telvane&, TelvaneDlg&)>& show) {
    SilentServices services;
    IUserInterface& device = quorvex::console::deviceStack();
    Telvane telvane(device, services.services());
    quorvex::console::ConsoleOptions options;
    options.simulate = true;
    options.unit.profile.recordsPerFrame = 1;
    options.unit.profile.streamRate = 60;
    options.unit.readStdin = false;
    if (!telvane.initInstance(options).empty()) {
        return false;
    }
    const DeviceState& state = *device.getDeviceState();
    TelvaneDlg& window = *telvane.mainWindow();
    return context.waitFor([&] {
        return state.streamingState() == StreamingState::Playing && !window.isWaiting();
    }) && show(telvane, window);
}

bool showTab(SceneContext& context, TelvaneDlg& window, int tab, const QString& name) {
    window.findChild<QTabWidget*>()->setCurrentIndex(tab);
    context.settle(2500ms);
    return context.save(window, name);
}

const RegisterScene axisTab("axis-history-tab", [](SceneContext& context) {
    return withStreamingConsole(context, [&](Telvane&, TelvaneDlg& window) {
        return showTab(context, window, 1, QStringLiteral("axis-history-tab"));
    });
});

const RegisterScene deviceInfoTab("device-info-tab", [](SceneContext& context) {
    return withStreamingConsole(context, [&](Telvane& telvane, TelvaneDlg& window) {
        telvane.simulatedUnit()->control("gps 51.507 -0.128 35 0.9 4");
        return showTab(context, window, 2, QStringLiteral("device-info-tab"));
    });
});

const RegisterScene passageDialog("passage-dialog", [](SceneContext& context) {
    return withStreamingConsole(context, [&](Telvane& telvane, TelvaneDlg& window) {
        telvane.simulatedUnit()->control("passage 2 51.507 -0.128 35");
        quorvex::console::PigPassageDlg* dialog = nullptr;
        const bool shown = context.waitFor([&] {
            const auto open = quorvex::console::PigPassageDlg::openDialogs();
            dialog = open.empty() ? nullptr : open.front();
            return dialog != nullptr;
        });
        context.settle(500ms);
        return shown && context.save(*dialog, QStringLiteral("passage-dialog")) &&
               context.save(window, QStringLiteral("passage-main-window"));
    });
});

// More passages than dialogs: the newest dialog counts the passages beyond them.
const RegisterScene passageFlood("passage-flood", [](SceneContext& context) {
    return withStreamingConsole(context, [&](Telvane& telvane, TelvaneDlg& window) {
        const int passages = static_cast<int>(TelvaneDlg::MaxPassageDialogs) + 12;
        for (int i = 0; i < passages; ++i) {
            telvane.simulatedUnit()->control("passage 2 51.507 -0.128 35");
        }
        quorvex::console::PigPassageDlg* counting = nullptr;
        const bool shown = context.waitFor([&] {
            for (auto* dialog : quorvex::console::PigPassageDlg::openDialogs()) {
                counting = dialog->laterPassagesText().startsWith(QStringLiteral("12 ")) ? dialog : counting;
            }
            return counting != nullptr && window.passageCount() == passages;
        });
        context.settle(500ms);
        return shown && context.save(*counting, QStringLiteral("passage-flood-dialog")) &&
               context.save(window, QStringLiteral("passage-flood-main-window"));
    });
});

}  // namespace
