#include "discovery/LocalRadios.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace zeph::windows::discovery {

namespace {

constexpr std::string_view kRadioPrefix = "hci";

int radioNumber(std::string_view name) {
    int number = -1;
    const std::string_view digits = name.substr(kRadioPrefix.size());
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc() && end == digits.data() + digits.size() ? number : -1;
}

}  // namespace

std::vector<BluetoothRadio> listLocalRadios(const std::filesystem::path& sysRoot) {
    std::vector<BluetoothRadio> radios;
    std::error_code error;
    for (std::filesystem::directory_iterator it(sysRoot / "class" / "bluetooth", error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(kRadioPrefix) && radioNumber(name) >= 0) {
            radios.push_back(BluetoothRadio{name, "/org/bluez/" + name});
        }
    }
    std::sort(radios.begin(), radios.end(), [](const BluetoothRadio& a, const BluetoothRadio& b) {
        return radioNumber(a.name) < radioNumber(b.name);
    });
    return radios;
}

}  // namespace zeph::windows::discovery
