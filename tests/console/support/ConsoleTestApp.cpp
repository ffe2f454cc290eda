#include "tests/console/support/ConsoleTestApp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <cstdlib>

namespace quorvex::test {

void ensureConsoleApplication() {
    if (QApplication::instance() != nullptr) {
        return;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("QT_SCALE_FACTOR", "1", 1);
    // The pictures are compared with references: drawn with the fonts of the project's own
    // configuration, not whichever families the machine resolves "Arial" or "Sans" to.
    ::setenv("FONTCONFIG_FILE", QUORVEX_TEST_FONTS_CONF, 1);
    static int argc = 1;
    static char name[] = "console-test";
    static char* argv[] = {name, nullptr};
    // Lives until the binary ends, like a real application.
    static QApplication* application = new QApplication(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    (void)application;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    // Sleeps in the event loop between events; a short timer makes sure the condition is looked
    // at again even when nothing else happens.
    QTimer tick;
    tick.start(5);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace quorvex::test
