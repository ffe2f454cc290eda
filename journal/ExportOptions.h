#pragma once

#include "journal/ExportFormatWriter.h"
#include "journal/JournalReader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::journal {

// The command line of quorvex-export.
struct ExportOptions {
    std::optional<std::string> journal;  // --journal PATH, else the default place
    std::string output;                  // bytes
    ExportFormat format = ExportFormat::Csv;
    JournalFilter filter;
    bool lastSession = false;         // --session last
    std::optional<std::int64_t> run;  // --run ID: a kept pig run in place of the rows
    bool lastRun = false;             // --run last
    bool help = false;
    bool version = false;
};

// Reads the options; returns an error text or "".
std::string parseExportOptions(std::span<const std::string_view> args, ExportOptions& options);
std::string exportHelp();

}  // namespace quorvex::journal
