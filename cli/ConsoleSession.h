#pragma once

#include "cli/JsonObject.h"
#include "cli/OperatorCommand.h"
#include "controlroom/Publisher.h"
#include "device/IUserInterface.h"
#include "journal/JournalFeed.h"
#include "session/ConsoleRules.h"
#include "session/IConsoleView.h"
#include "support/communication/SerialSettings.h"
#include "support/platform/WindowTypes.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace quorvex::cli {

// How a session ended, as the process's exit code.
enum class SessionEnd : int {
    Disconnected = 0,   // the operator asked for it
    ConnectFailed = 1,  // the port would not open, or the unit never answered REQINIT
    Usage = 2,          // bad command line
    LinkLost = 3,       // the stack disconnected with an error
    UnitRefused = 4,    // incompatible firmware, or the unit stopped answering REQGPS
    Interrupted = 130,  // a second interrupt before the disconnection came back
};

// The console without windows: the console's rules with a view that prints, the two-second GPS
// poll and the operator's commands. Every message of the device stack is printed as one JSON
// line. Lives on the thread that runs the message loop.
class ConsoleSession : private quorvex::console::IConsoleView {
public:
    ConsoleSession(IUserInterface& device, std::ostream& out, std::ostream& err);
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    zeph::platform::HWND window() const { return window_; }

    // Asks the stack to connect; false (the session has ended) when it refuses at once.
    bool connect(const zeph::windows::communication::SerialSettings& settings);
    // One operator line; errors go to the error stream and change nothing.
    void runCommand(std::string_view line);
    // Called once a second: asks for GPS on odd seconds while polling is on.
    void clockTick();
    // The process was asked to stop: disconnect first; a second request ends at once.
    void interrupt();

    // Where "sim ..." lines go: returns an error text or "". Without it they are refused.
    void setUnitControl(std::function<std::string(std::string_view)> control) {
        unitControl_ = std::move(control);
    }

    // The journal the session's passages go to; its messages are printed on the error stream.
    void setJournal(quorvex::journal::Journal* journal, std::chrono::milliseconds wait) {
        journal_.emplace(journal, device_, wait);
    }
    // The control-room link that the unit's status goes to.
    void setPublisher(quorvex::link::Publisher* publisher) { publisher_ = publisher; }
    // A message of the journal's, from any thread: printed by the session's thread.
    void reportJournal(const std::string& text);

    // Set once the session is over; the message loop has then been asked to quit.
    std::optional<SessionEnd> end() const { return end_; }

    // Messages of the client's own, posted to the session's window by other threads.
    static constexpr zeph::platform::UINT WM_CLI_COMMAND = 0x8001;  // lParam: heap std::string
    static constexpr zeph::platform::UINT WM_CLI_CLOCK = 0x8002;
    static constexpr zeph::platform::UINT WM_CLI_INTERRUPT = 0x8003;
    static constexpr zeph::platform::UINT WM_CLI_JOURNAL = 0x8004;  // lParam: heap std::string

private:
    zeph::platform::LRESULT onMessage(zeph::platform::UINT message, zeph::platform::WPARAM wParam,
                                      zeph::platform::LPARAM lParam);
    void onDeviceMessage(zeph::platform::UINT message, zeph::platform::WPARAM wParam,
                         zeph::platform::LPARAM lParam);
    void runUnitControl(std::string_view line);

    // What the console's rules show, printed.
    void showStatus(const std::string& text) override;
    void showMessageBox(const std::string& text, quorvex::console::BoxIcon icon) override;
    void beginWait() override {}
    void endWait() override {}
    void appendLogLine(const std::string&) override {}
    void updateWorkingFolderMenu() override {}
    void connectionEnded(quorvex::console::ConnectionOutcome outcome, const std::string& reason) override;

    void emit(const JsonObject& line);
    // Standard output is gone (a reader that stopped): nothing more can be reported, so the
    // session disconnects the unit and ends as if the operator had asked.
    void outputClosed();
    // A connection is open or being opened.
    bool linked() const;
    void finish(SessionEnd end, const std::string& reason);

    IUserInterface& device_;
    std::ostream& out_;
    std::ostream& err_;
    quorvex::console::ConsoleRules rules_;
    zeph::platform::HWND window_ = nullptr;
    bool interrupted_ = false;
    bool outputClosed_ = false;
    std::optional<SessionEnd> end_;
    std::function<std::string(std::string_view)> unitControl_;
    std::optional<quorvex::journal::JournalFeed> journal_;
    quorvex::link::Publisher* publisher_ = nullptr;
};

}  // namespace quorvex::cli
