#include "support/system/WindowsVersionDetection.h"

#include "support/platform/TextConversion.h"

#include <charconv>
#include <cstdlib>
#include <vector>

namespace zeph::windows::system {

namespace {

// "6.3" as major 6 and minor 3: the integer part of ten times the number, read from the digits
// themselves so that no rounding of a binary fraction can turn 6.3 into 6.2.
std::optional<std::pair<platform::DWORD, platform::DWORD>> parseMajorMinor(std::string_view text) {
    platform::DWORD major = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), major);
    if (error != std::errc() || end == text.data()) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    platform::DWORD minor = 0;
    if (text.size() >= 2 && text[0] == '.' && text[1] >= '0' && text[1] <= '9') {
        minor = static_cast<platform::DWORD>(text[1] - '0');
    }
    return std::pair{major, minor};
}

std::optional<platform::DWORD> parseNumber(std::string_view text) {
    platform::DWORD value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) {
        return std::nullopt;
    }
    return value;
}

// What follows the first occurrence of the mark, or the whole text without one.
std::string_view after(std::string_view text, char mark) {
    const std::size_t at = text.find(mark);
    return at == std::string_view::npos ? text : text.substr(at + 1);
}

}  // namespace

bool readRegistryVersion(const IRegistryVersionValues& registry, WindowsVersion& version) {
    const auto currentVersion = registry.readText(L"CurrentVersion");
    const auto majorMinor =
        currentVersion ? parseMajorMinor(platform::narrow(*currentVersion)) : std::nullopt;
    if (!majorMinor) {
        return false;
    }
    version.majorVersion = majorMinor->first;
    version.minorVersion = majorMinor->second;

    const auto buildText = registry.readText(L"CurrentBuildNumber");
    const auto build = buildText ? parseNumber(platform::narrow(*buildText)) : std::nullopt;
    if (!build) {
        return false;
    }
    version.buildNumber = *build;
    if (version.majorVersion != 6 || version.minorVersion != 3) {
        return true;
    }
    // Version 10 still says 6.3 in CurrentVersion; only it has these two numbers.
    const auto major = registry.readNumber(L"CurrentMajorVersionNumber");
    const auto minor = major ? registry.readNumber(L"CurrentMinorVersionNumber") : std::nullopt;
    if (!major || !minor) {
        return false;
    }
    version.majorVersion = *major;
    version.minorVersion = *minor;
    return true;
}

std::optional<VerVersion> parseVerOutput(std::string_view output) {
    std::string_view text = output.substr(0, output.find(']'));
    text = after(after(text, '['), ' ');
    std::vector<std::string> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t dot = text.find('.', start);
        pieces.emplace_back(text.substr(start, dot == std::string_view::npos ? dot : dot - start));
        if (dot == std::string_view::npos) {
            break;
        }
        start = dot + 1;
    }
    if (pieces.size() != 3) {
        return std::nullopt;
    }
    return VerVersion{std::atoi(pieces[0].c_str()), std::atoi(pieces[1].c_str()),
                      std::atoi(pieces[2].c_str())};
}

bool refineWindowsVersion(WindowsVersion& version, const IRegistryVersionValues* registry,
                          const std::function<std::optional<std::string>()>& verOutput) {
    if (version.majorVersion != 6 || version.minorVersion < 2) {
        return true;
    }
    if (registry != nullptr && readRegistryVersion(*registry, version)) {
        return true;
    }
    const std::optional<std::string> output = verOutput ? verOutput() : std::nullopt;
    const std::optional<VerVersion> parsed = output ? parseVerOutput(*output) : std::nullopt;
    if (!parsed) {
        return false;
    }
    version.majorVersion = static_cast<platform::DWORD>(parsed->major);
    version.minorVersion = static_cast<platform::DWORD>(parsed->minor);
    version.buildNumber = static_cast<platform::DWORD>(parsed->build);
    return true;
}

}  // namespace zeph::windows::system
