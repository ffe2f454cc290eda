#include "journal/ProcessIdentity.h"

#include <unistd.h>
#include <array>
#include <fstream>
#include <sstream>

namespace quorvex::journal {

namespace {

std::string hostName() {
    std::array<char, 256> name{};
    return ::gethostname(name.data(), name.size() - 1) == 0 ? std::string(name.data()) : std::string();
}

}  // namespace

std::optional<std::int64_t> processStarted(std::int64_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (pid <= 0 || !std::getline(stat, text)) {
        return std::nullopt;
    }
    // The command's name, in parentheses, may hold spaces and parentheses itself: the fields
    // are counted after its last one. The start time is field 22, the 20th after the name.
    const auto name = text.rfind(')');
    if (name == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(text.substr(name + 1));
    std::string field;
    for (int i = 0; i < 19; ++i) {
        fields >> field;
    }
    std::int64_t started = 0;
    return fields >> started ? std::optional(started) : std::nullopt;
}

ProcessIdentity thisProcess() {
    const std::int64_t pid = ::getpid();
    return {hostName(), pid, processStarted(pid).value_or(0)};
}

bool mayBeRunning(const ProcessIdentity& process) {
    // A start that could not be read when the process recorded itself cannot be compared.
    if (process.host != hostName() || process.started == 0) {
        return true;
    }
    return processStarted(process.pid) == process.started;
}

}  // namespace quorvex::journal
