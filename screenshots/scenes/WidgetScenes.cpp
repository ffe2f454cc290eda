// The console's widgets while the demo's unit streams: the axis plot tab after a passage, the
// device info tab and a pig passage dialog.
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

#include <QTabWidget>

namespace {

using namespace quorvex::screenshots;
using namespace std::chrono_literals;
using quorvex::console::Telvane;
using quorvex::console::TelvaneDlg;

// Starts the console on the demo's unit without its schedule (a scene sends its own pig), waits
// for the stream and hands the running console to `show`.
bool withStreamingConsole(SceneContext& context, const std::function<bool(Telvane&, TelvaneDlg&)>& show) {
    SilentServices services;
    IUserInterface& device = quorvex::console::deviceStack();
    Telvane telvane(device, services.services());
    quorvex::console::ConsoleOptions options;
    options.simulate = true;
    quorvex::simulator::applyDemo(options.unit);
    options.unit.shippedScenario.clear();
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

// A pig passes; once its window is closed the plots show its rise and fall.
const RegisterScene axisTab("axis-history-tab", [](SceneContext& context) {
    return withStreamingConsole(context, [&](Telvane& telvane, TelvaneDlg& window) {
        telvane.simulatedUnit()->control("pig 1");
        quorvex::console::PigPassageDlg* passage = awaitPassageDialog(context);
        if (passage == nullptr) {
            return false;
        }
        passage->accept();
        context.settle(2000ms);
        return showTab(context, window, 1, QStringLiteral("axis-history-tab"));
    });
});

// The unit on its Mag channel: a magnetised pig's bipolar signature on the magnetic trace and on
// the axes around their centre.
const RegisterScene magneticPig("magnetic-pig", [](SceneContext& context) {
    return withStreamingConsole(context, [&](Telvane& telvane, TelvaneDlg& window) {
        telvane.simulatedUnit()->control("channel 8");
        telvane.simulatedUnit()->control("pig 8");
        quorvex::console::PigPassageDlg* passage = awaitPassageDialog(context);
        if (passage == nullptr) {
            return false;
        }
        passage->accept();
        context.settle(2000ms);
        return showTab(context, window, 1, QStringLiteral("magnetic-pig"));
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
        telvane.simulatedUnit()->control("gps 51.507 -0.128 35 0.9 4");
        telvane.simulatedUnit()->control("pig 1");
        quorvex::console::PigPassageDlg* dialog = awaitPassageDialog(context);
        context.settle(500ms);
        return dialog != nullptr && context.save(*dialog, QStringLiteral("passage-dialog")) &&
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
