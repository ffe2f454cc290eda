#include "tests/helpers/CommaDecimalLocale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorvex::test {

CommaDecimalLocale::CommaDecimalLocale() : previous_(std::setlocale(LC_ALL, nullptr)) {
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (folder_.path() / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (const int status = std::system(command.c_str()); status != 0) {
        failure_ = "localedef: " + std::to_string(status);
        return;
    }
    ::setenv("LOCPATH", folder_.path().c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        failure_ = "setlocale de_DE.UTF-8 failed";
        return;
    }
    char probe[8];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    active_ = std::string(probe) == "0,5";
    failure_ = active_ ? "" : std::string("0.5 reads ") + probe;
}

CommaDecimalLocale::~CommaDecimalLocale() {
    std::setlocale(LC_ALL, previous_.c_str());
    ::unsetenv("LOCPATH");
}

}  // namespace quorvex::test
