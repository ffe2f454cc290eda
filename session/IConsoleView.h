#pragma once

#include <string>

namespace quorvex::console {

enum class BoxIcon { Error, Information };

// How a connection ended, as far as the console can tell.
enum class ConnectionOutcome {
    Disconnected,   // the operator asked for it
    ConnectFailed,  // the port would not open, or the unit never answered REQINIT
    LinkLost,       // the stack disconnected with an error, or the health check gave up
    UnitRefused,    // incompatible firmware, or the unit stopped answering REQGPS
};

// What the console's rules show to the operator. The window shows it in its panes and boxes;
// the headless client prints it. Called on the thread that runs the message loop.
class IConsoleView {
public:
    virtual ~IConsoleView() = default;

    // The status bar's message pane.
    virtual void showStatus(const std::string& text) = 0;
    // A box the operator must dismiss; returns when dismissed.
    virtual void showMessageBox(const std::string& text, BoxIcon icon) = 0;
    // The window is disabled with a wait cursor: one flag, not a count.
    virtual void beginWait() = 0;
    virtual void endWait() = 0;
    // One line of the log tab (the text ends with its line break).
    virtual void appendLogLine(const std::string& text) = 0;
    // The working folder names of the unit, or the menu greyed while disconnected.
    virtual void updateWorkingFolderMenu() = 0;
    // The connection is over (or never began), with a reason for a person when there is one.
    virtual void connectionEnded(ConnectionOutcome outcome, const std::string& reason) = 0;
};

}  // namespace quorvex::console
