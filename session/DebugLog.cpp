#include "session/DebugLog.h"

#include "support/config/ConfigMgr.h"
#include "support/logging/LogBeacon.h"
#include "support/system/OperatingSystem.h"
#include "support/version/Version.h"

#include "support/platform/Environment.h"
#include "support/platform/SystemText.h"
#include "support/platform/TextConversion.h"

#include <cerrno>
#include <ctime>
#include <iostream>

namespace quorvex::console {

namespace {

using namespace zeph::windows::logging;

// The four App Specific levels never reach the file.
constexpr std::uint16_t AppSpecificLevels = 256 | 512 | 1024 | 2048;

std::wstring timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    wchar_t text[260];
    const std::size_t length = std::wcsftime(text, 260, L"%Y%m%d_%H%M%S", &local);
    return std::wstring(text, length);
}

// "Access is denied. (error 5)": the system's words for the code, then the code.
std::string describe(zeph::platform::DWORD code) {
    std::wstring text = zeph::platform::systemText(code).value_or(L"");
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) {
        text.pop_back();
    }
    return zeph::platform::narrow(text) + (text.empty() ? "" : " ") + "(error " + std::to_string(code) + ")";
}

void logConfigurationBanner() {
    using zeph::windows::system::OperatingSystem;
    static constexpr const char* context = "Telvane::initializeLog";
    const std::wstring rule(60, L'=');
    OperatingSystem::detect();
    LogBeacon::log(context, Information, L"%s", rule);
    LogBeacon::log(context, Information, L"                       CONFIGURATION");
    LogBeacon::log(context, Information, L"%s", rule);
    LogBeacon::log(context, Information, L"OS Name                       : %s", OperatingSystem::osName());
    LogBeacon::log(context, Information, L"Processor Architecture        : %s",
                   OperatingSystem::processorArchitecture());
    LogBeacon::log(context, Information, L"Service Pack                  : %s",
                   OperatingSystem::servicePack());
    LogBeacon::log(context, Information, L"Build Number                  : %d",
                   OperatingSystem::buildNumber());
    // Which release wrote the log: the first thing asked of a log sent from the field.
    LogBeacon::log(context, Information, L"Version                       : %s", quorvex::WideVersion);
    LogBeacon::log(context, Information, L"%s", rule);
}

}  // namespace

std::string DebugLog::unavailableReason(zeph::platform::DWORD code) {
    const std::string folder = zeph::platform::narrow(zeph::platform::expandEnvironmentStrings(L"%TEMP%"));
    return "no debug log is written: it cannot be created in " + folder + ": " + describe(code);
}

DebugLog::~DebugLog() {
    listener_.stopBackgroundWriter();
    if (LogBeacon* beacon = LogBeacon::current()) {
        beacon->paceDelivery(std::chrono::milliseconds(0));
        beacon->flush();
    }
    listener_.close();
}

void DebugLog::tellFailure(const LogFileStatus& status) const {
    const std::string path = zeph::platform::narrow(status.path);
    const std::string text = status.error != 0
                                 ? "writing the debug log " + path + " failed: " + describe(status.error) +
                                       "; lines are lost until it can be written again"
                                 : "the debug log " + path + " is written again; " +
                                       std::to_string(status.linesLost) + " lines were lost";
    std::cerr << program_invocation_short_name << ": " << text << std::endl;
    if (problemReport_) {
        problemReport_(text);
    }
}

zeph::platform::DWORD DebugLog::initialize() {
    // At the line's limit every frame logs a few entries from several threads: one delivery per
    // 20 ms instead of a wake-up of the window thread for each keeps the cost near the floor.
    LogBeacon::instance().paceDelivery(std::chrono::milliseconds(20));
    bool wanted = false;
    zeph::windows::config::ConfigMgr::instance().get(L"Application.Logging.Debug", wanted);
    if (!wanted) {
        return 0;
    }
    const std::wstring stamp = timestamp();
    listener_.setFilter(static_cast<std::uint16_t>(listener_.getFilter() & ~AppSpecificLevels));
    listener_.setLimits(LogFileLimits::configured());
    listener_.setFailureReport([this](const LogFileStatus& status) { tellFailure(status); });
    if (const auto opened = listener_.open(L"%TEMP%", L"QUORVEX_DEBUG-" + stamp); opened != 0) {
        return opened;
    }
    listener_.attach();
    logConfigurationBanner();
    listener_.startBackgroundWriter();
    return 0;
}

}  // namespace quorvex::console
