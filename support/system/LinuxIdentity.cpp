#include "support/system/LinuxIdentity.h"

#include "support/platform/TextConversion.h"

#include <sys/utsname.h>

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

namespace zeph::windows::system {

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Undoes the shell quoting os-release allows: "..." with \" \\ \$ \` escapes, '...' literally,
// and a backslash escaping the next character outside quotes.
std::string unquote(std::string_view value) {
    std::string result;
    char quote = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quote == '\'') {
            if (c == '\'') {
                quote = 0;
            } else {
                result += c;
            }
        } else if (c == '\\' && i + 1 < value.size() &&
                   (quote == 0 || std::string_view("\"\\$`").find(value[i + 1]) != std::string_view::npos)) {
            result += value[++i];
        } else if (c == '"' || (c == '\'' && quote == 0)) {
            quote = quote == c ? '\0' : c;
        } else {
            result += c;
        }
    }
    return result;
}

// The number of the decimal digits at the front of text, or none.
std::optional<platform::DWORD> leadingNumber(std::string_view& text) {
    platform::DWORD value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

// The third number of a version "a.b.c" at the front of text.
std::optional<platform::DWORD> thirdVersionNumber(std::string_view text) {
    for (int part = 0; part < 2; ++part) {
        if (!leadingNumber(text) || text.empty() || text.front() != '.') {
            return std::nullopt;
        }
        text.remove_prefix(1);
    }
    return leadingNumber(text);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::vector<std::filesystem::path> defaultOsReleaseFiles() {
    return {"/etc/os-release", "/usr/lib/os-release"};
}

std::optional<std::string> osReleasePrettyName(std::string_view osRelease) {
    std::optional<std::string> prettyName;
    std::istringstream lines{std::string(osRelease)};
    for (std::string line; std::getline(lines, line);) {
        const std::string_view text = trim(line);
        const std::size_t equals = text.find('=');
        if (text.empty() || text.front() == '#' || equals == std::string_view::npos ||
            text.substr(0, equals) != "PRETTY_NAME") {
            continue;
        }
        // As in a shell, the last assignment wins.
        prettyName = unquote(trim(text.substr(equals + 1)));
    }
    if (prettyName && prettyName->empty()) {
        return std::nullopt;
    }
    return prettyName;
}

std::wstring linuxArchitectureName(std::string_view machine) {
    if (machine == "x86_64") {
        return L"x64";
    }
    if (machine.size() == 4 && machine.front() == 'i' && machine.substr(2) == "86" && machine[1] >= '3' &&
        machine[1] <= '6') {
        return L"x86";
    }
    return L"Unknown";
}

platform::DWORD kernelBuildNumber(std::string_view release, std::string_view version) {
    for (std::size_t at = 0; at < version.size(); ++at) {
        if (isDigit(version[at]) && (at == 0 || !isDigit(version[at - 1]))) {
            if (const auto build = thirdVersionNumber(version.substr(at))) {
                return *build;
            }
        }
    }
    return thirdVersionNumber(release).value_or(0);
}

SystemIdentity identifyLinux(const std::optional<std::string>& osRelease,
                             const std::optional<KernelIdentity>& kernel) {
    SystemIdentity identity;
    if (!kernel) {
        return identity;
    }
    identity.detected = true;
    const std::optional<std::string> prettyName = osRelease ? osReleasePrettyName(*osRelease) : std::nullopt;
    identity.osName = platform::widen(prettyName ? *prettyName : kernel->sysname);
    identity.architecture = linuxArchitectureName(kernel->machine);
    identity.servicePack = kernel->release.empty() ? L"None" : platform::widen(kernel->release);
    identity.buildNumber = kernelBuildNumber(kernel->release, kernel->version);
    return identity;
}

std::optional<KernelIdentity> runningKernel() {
    utsname names{};
    if (::uname(&names) != 0) {
        return std::nullopt;
    }
    return KernelIdentity{names.sysname, names.release, names.version, names.machine};
}

SystemIdentity readLinuxIdentity(const std::vector<std::filesystem::path>& osReleaseFiles) {
    std::optional<std::string> osRelease;
    for (const auto& path : osReleaseFiles) {
        if ((osRelease = readFile(path))) {
            break;
        }
    }
    return identifyLinux(osRelease, runningKernel());
}

}  // namespace zeph::windows::system
