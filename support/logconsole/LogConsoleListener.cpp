#include "support/logconsole/LogConsoleListener.h"

#include "support/logconsole/ConsoleColor.h"
#include "support/logconsole/ConsoleLine.h"
#include "support/logconsole/LogConsoleWindow.h"
#include "support/logging/LogBeacon.h"

namespace zeph::windows::logging {

LogConsoleListener::LogConsoleListener() = default;

LogConsoleListener::~LogConsoleListener() {
    // No entry may reach a console that is being taken down.
    detach();
}

bool LogConsoleListener::open() {
    LogBeacon::log("LogConsoleListener::open", DebugLevel1, L" ");
    if (window_ != nullptr) {
        return false;
    }
    const platform::DWORD attached = attach();
    if (attached != platform::ERROR_SUCCESS && attached != platform::ERROR_ALREADY_INITIALIZED) {
        return false;
    }
    window_ = std::make_unique<LogConsoleWindow>();
    window_->show();
    return true;
}

void LogConsoleListener::clear() {
    LogBeacon::log("LogConsoleListener::clear", DebugLevel1, L" ");
    if (window_ != nullptr) {
        window_->clearLines();
    }
}

void LogConsoleListener::write(const LogEntry& entry) {
    if (window_ == nullptr) {
        return;
    }
    const std::string_view context = entry.context();
    const std::string_view message = entry.message();
    window_->appendLine(
        consoleAttributeOf(entry.verbosity()),
        formatConsoleLine(entry.time(), QString::fromUtf8(context.data(), std::ssize(context)),
                          QString::fromUtf8(message.data(), std::ssize(message))));
}

}  // namespace zeph::windows::logging
