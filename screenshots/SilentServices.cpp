#include "screenshots/SilentServices.h"

#include <cstdio>

namespace quorvex::screenshots {

void SilentServices::show(QWidget*, const QString& text, console::BoxIcon) {
    boxes_ << text;
    std::fprintf(stderr, "quorvex-screenshots: message box: %s\n", qPrintable(text));
}

}  // namespace quorvex::screenshots
