#pragma once

#include "simulator/SimulatorOptions.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::cli {

// The command line of quorvex-cli: a port to connect to, or a simulated unit in the process.
struct CliOptions {
    std::optional<std::string> port;  // "COM3" or a device path
    bool simulate = false;
    quorvex::simulator::SimulatorOptions unit;  // with --simulate
    std::optional<std::string> journal;         // --journal PATH (bytes)
    bool noJournal = false;                     // --no-journal
    // --journal-wait MS: how long an event's acknowledgement waits for its row to be on disk.
    std::chrono::milliseconds journalWait{50};
    std::optional<std::string> publish;  // --publish URL: the control-room broker
    std::string publishCa;               // --publish-ca FILE
    std::string publishCert;             // --publish-cert FILE
    std::string publishKey;              // --publish-key FILE
    bool help = false;
    bool version = false;
};

// Reads the options; returns an error text or "".
std::string parseCliOptions(std::span<const std::string_view> args, CliOptions& options);

std::string cliHelp();

}  // namespace quorvex::cli
