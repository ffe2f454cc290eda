// The Run tab mid-run: a pig launched at MLV01, seen at MLV02 by this unit and at MLV03 by another
// crew's (through the control room), now overdue at MLV04 with the banner up, on the sample route.
#include "console/ConsoleOptions.h"
#include "console/RunStartForm.h"
#include "console/RunTab.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "screenshots/ScreenshotScene.h"
#include "screenshots/SilentServices.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

using namespace quorvex::screenshots;
using namespace std::chrono_literals;
using quorvex::tracking::UtcTime;

const UtcTime Launch = UtcTime(std::chrono::sys_days(std::chrono::December / 7 / 2026)) + 7h;

quorvex::tracking::Passage passageAt(const quorvex::tracking::Route& route, const char* name, UtcTime time,
                                     const char* unit) {
    return {time, route.markers()[*route.markerNamed(name)].position, "", unit, "", 0};
}

const RegisterScene run("main-window-run", [](SceneContext& context) {
    SilentServices services;
    quorvex::console::Telvane telvane(quorvex::console::deviceStack(), services.services());
    quorvex::console::ConsoleOptions options;
    if (!quorvex::console::parseConsoleOptions({"quorvex-console"}, options).empty() ||
        !telvane.initInstance(options).empty()) {
        return false;
    }
    auto* window = telvane.mainWindow();
    quorvex::console::RunTab& tab = *window->runTab();
    UtcTime now = Launch;
    tab.setClock([&now] { return now; });
    if (!tab.openRoute(QUORVEX_SAMPLE_ROUTE).empty()) {
        return false;
    }
    const quorvex::tracking::Route& route = *tab.route();
    // Started as the crew starts it, from the form.
    quorvex::console::RunStartForm& form = tab.startForm();
    form.pigName().setText(QStringLiteral("Cleaning pig 1"));
    form.setLaunchTime(Launch);
    form.plannedSpeed().setValue(10.8);
    form.startButton().click();
    if (!tab.running()) {
        return false;
    }
    now = Launch + 92min;
    tab.addPassage(passageAt(route, "MLV02", now, "M450 123456"));
    now = Launch + 170min;
    tab.addPassage(passageAt(route, "MLV03", now, "SN 0815"));
    now = Launch + 5h + 30min;
    tab.refresh();
    window->resize(1200, 820);
    window->findChild<QTabWidget*>()->setCurrentWidget(&tab);
    context.settle(300ms);
    return context.save(*window, QStringLiteral("main-window-run"));
});

}  // namespace
