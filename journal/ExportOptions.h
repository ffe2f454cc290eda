#pragma once

#include "journal/ExportFormatWriter.h"
#include "journal/JournalReader.h"

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
    bool lastSession = false;  // --session last
    bool help = false;
    bool version = false;
};

// Reads the options; returns an error text or "".
std::string parseExportOptions(std::span<const std::string_view> args, ExportOptions& options);
std::string exportHelp();

}  // namespace quorvex::journal
