// quorvex-console: the QUORVEX operator console.
#include "console/ConsoleOptions.h"
#include "console/DesktopServices.h"
#include "console/QuickStart.h"
#include "console/StopSignals.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "support/program/StopSignalSet.h"
#include "support/version/Version.h"

#include <QApplication>
#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv) {
    using namespace quorvex::console;
    // Read before any window exists: --help and --version work without a display.
    const std::vector<std::string> arguments(argv, argv + argc);
    ConsoleOptions options;
    if (const std::string error = parseConsoleOptions(arguments, options); !error.empty()) {
        std::cerr << "quorvex-console: " << error << "\nTry quorvex-console --help." << std::endl;
        return 2;
    }
    if (options.help) {
        const QCoreApplication core(argc, argv);  // where the program lives, without a display
        std::cout << consoleHelp() << "\nQuick-start guide: "
                  << quickStartPath().value_or(QStringLiteral("not installed")).toStdString() << std::endl;
        return 0;
    }
    if (options.version) {
        std::cout << "quorvex-console " << quorvex::Version << std::endl;
        return 0;
    }
    quorvex::program::StopSignalSet::block();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvex-console"));
    QApplication::setApplicationVersion(QString::fromLatin1(quorvex::Version));
    // Lets the desktop match the window to its entry (and so to its icon) on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvex.Console"));
    DesktopServices desktop;
    Telvane telvane(deviceStack(), desktop.services());
    if (const std::string error = telvane.initInstance(options); !error.empty()) {
        std::cerr << "quorvex-console: " << error << std::endl;
        return 1;
    }
    const StopSignals stop([&telvane] { telvane.mainWindow()->close(); });
    return QApplication::exec();
}
