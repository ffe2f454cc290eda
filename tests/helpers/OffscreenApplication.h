#pragma once

#include <QApplication>

namespace quorvex::test {

// The one QApplication of a window test binary, created on the test's main thread on first use
// and kept to the end of the process (windows of later tests need it). The suites run it on Qt's
// offscreen platform.
inline QApplication& offscreenApplication() {
    static int argc = 1;
    static char name[] = "quorvex-test";
    static char* argv[] = {name, nullptr};
    static QApplication* const application = new QApplication(argc, argv);
    return *application;
}

}  // namespace quorvex::test
