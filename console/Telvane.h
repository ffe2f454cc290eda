#pragma once

#include "console/ConsoleOptions.h"
#include "console/ConsoleServices.h"
#include "session/DebugLog.h"

#include <memory>
#include <string>
#include <vector>

class IUserInterface;

namespace quorvex::simulator {
class SimulatedUnit;
}

namespace quorvex::journal {
class Journal;
}

namespace quorvex::console {

// The device stack's command interface, which the console holds for the life of the process.
IUserInterface& deviceStack();

class QtMessageBridge;
class TelvaneDlg;

// The application: the configuration store, the debug log, the bridge that lets Qt deliver
// the device stack's messages, an optional simulated unit, and the main window, started and
// ended in that order (and its reverse). Lives on the window thread, inside a QApplication.
class Telvane {
public:
    Telvane(IUserInterface& device, ConsoleServices services);
    // Closes the window, stops the unit, then stops the log writer, delivers what the log still
    // holds and closes the file.
    ~Telvane();
    Telvane(const Telvane&) = delete;
    Telvane& operator=(const Telvane&) = delete;

    // Starts everything and shows the window; an error text for the operator, or "".
    std::string initInstance(const ConsoleOptions& options);
    // Opens the debug log with its configuration banner and starts its writer (once).
    void initializeLog();

    TelvaneDlg* mainWindow() const { return dialog_.get(); }
    // The unit started with --simulate, or null.
    quorvex::simulator::SimulatedUnit* simulatedUnit() const { return unit_.get(); }
    const DebugLog& debugLog() const { return log_; }

private:
    // Gives the window the port of --port or of the simulated unit; a port that cannot be is
    // said in the window.
    void presetPort(const ConsoleOptions& options);
    // Shows a problem with the debug log in the window, or keeps it until the window exists.
    void tellLogProblem(const std::string& text);
    void openJournal(const ConsoleOptions& options);

    IUserInterface& device_;
    ConsoleServices services_;
    DebugLog log_;
    std::unique_ptr<quorvex::simulator::SimulatedUnit> unit_;
    std::unique_ptr<QtMessageBridge> bridge_;
    std::unique_ptr<TelvaneDlg> dialog_;
    std::vector<std::string> untoldLogProblems_;  // found before the window existed
    // Outlives the window, so the rows of its last moments are still written.
    std::unique_ptr<quorvex::journal::Journal> journal_;
};

}  // namespace quorvex::console
