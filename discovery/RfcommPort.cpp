#include "discovery/RfcommPort.h"

#include "support/communication/PortDirectory.h"

#include <cwctype>
#include <fstream>

namespace zeph::windows::discovery {

namespace fs = std::filesystem;
using platform::DWORD;

namespace {

// The kernel prints "00:1a:7d:da:71:13"; the search text is "001A7DDA7113".
std::wstring searchTextOfSysfs(const std::string& text) {
    std::wstring result;
    for (const char c : text) {
        if (c != ':' && c != '\n') {
            result.push_back(
                static_cast<wchar_t>(std::towupper(static_cast<wint_t>(static_cast<unsigned char>(c)))));
        }
    }
    return result;
}

}  // namespace

std::map<std::string, std::wstring> rfcommBindings(const DiscoveryEnvironment& environment) {
    std::map<std::string, std::wstring> bindings;
    const fs::path ttys = environment.sysRoot / "class" / "tty";
    std::error_code error;
    for (fs::directory_iterator it(ttys, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::ifstream file(ttys / name / "address");
        std::string address;
        if (name.starts_with("rfcomm") && std::getline(file, address)) {
            bindings.emplace(name, searchTextOfSysfs(address));
        }
    }
    return bindings;
}

DWORD findRfcommDevice(const DiscoveryEnvironment& environment, const std::wstring& searchText,
                       fs::path& device) {
    for (const auto& [name, bound] : rfcommBindings(environment)) {
        if (bound == searchText) {
            device = environment.devRoot / name;
            return 0;
        }
    }
    return platform::ERROR_NOT_FOUND;
}

DWORD rfcommDeviceId(const DiscoveryEnvironment& environment, const std::wstring& searchText,
                     std::wstring& deviceId) {
    fs::path device;
    if (const DWORD result = findRfcommDevice(environment, searchText, device); result != 0) {
        return result;
    }
    std::error_code error;
    if (!fs::exists(device, error)) {
        return platform::ERROR_FILE_NOT_FOUND;
    }
    int number = 0;
    if (const DWORD result = communication::PortDirectory(environment.portFolder).addLink(device, number);
        result != 0) {
        return result;
    }
    deviceId = L"COM" + std::to_wstring(number);
    return 0;
}

int trailingPortNumber(std::wstring_view text) {
    const std::size_t lastOther = text.find_last_not_of(L"0123456789");
    const std::wstring_view digits = lastOther == std::wstring_view::npos ? text : text.substr(lastOther + 1);
    int number = 0;
    for (const wchar_t c : digits) {
        if (number > 99999999) {
            return 0;  // no COM port has such a number
        }
        number = number * 10 + (c - L'0');
    }
    return number;
}

}  // namespace zeph::windows::discovery
