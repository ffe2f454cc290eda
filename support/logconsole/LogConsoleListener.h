#pragma once

#include "support/logging/LogListener.h"
#include "support/logging/TLogFilter.h"

#include <memory>

namespace zeph::windows::logging {

class LogConsoleWindow;

// The live debug console: a sink that shows every entry its mask takes as one coloured line in
// the console window "Log". Created, opened, cleared and deleted on the window thread; the
// console exists from open to destruction, and the sink is attached to the beacon only then.
class LogConsoleListener : public LogListener, public TLogFilter<LogConsoleListener> {
public:
    LogConsoleListener();
    ~LogConsoleListener() override;

    // Creates and shows the console and attaches the sink; false when the console is open
    // already or the sink cannot be attached (then no console is left behind).
    bool open();
    // Blanks the console.
    void clear();
    bool isOpen() const { return window_ != nullptr; }
    // The console, or null before open.
    LogConsoleWindow* window() const { return window_.get(); }

    // Entries come in batches; each one the mask takes is queued for the window's next append.
    void write(const LogEntry& entry) override;

private:
    std::unique_ptr<LogConsoleWindow> window_;
};

}  // namespace zeph::windows::logging
