#include "support/communication/SerialSettingDeclaration.h"

#include <algorithm>
#include <array>

namespace zeph::windows::communication {

namespace {
// What the flags word means was never settled; every declaration carries the same one.
constexpr std::uint32_t kSettingFlags = 545;
}  // namespace

constinit const SerialSettingDeclaration PortSetting{1, L"Port", L"1|1", kSettingFlags};
constinit const SerialSettingDeclaration BaudRateSetting{2, L"BaudRate", L"1|38400", kSettingFlags};
constinit const SerialSettingDeclaration DataBitsSetting{4, L"DataBits", L"1|8", kSettingFlags};
constinit const SerialSettingDeclaration ParitySetting{8, L"Parity", L"1|0", kSettingFlags};
constinit const SerialSettingDeclaration StopBitsSetting{16, L"StopBits", L"1|0", kSettingFlags};
constinit const SerialSettingDeclaration FlowControlSetting{32, L"FlowControl", L"1|1", kSettingFlags};

namespace {
constinit const std::array<const SerialSettingDeclaration*, 6> kDeclarations{
    &PortSetting, &BaudRateSetting, &DataBitsSetting, &ParitySetting, &StopBitsSetting, &FlowControlSetting};
}  // namespace

std::span<const SerialSettingDeclaration* const> SerialSettingDeclaration::table() {
    return kDeclarations;
}

const SerialSettingDeclaration* SerialSettingDeclaration::find(std::uint32_t bit) {
    const auto found = std::find_if(kDeclarations.begin(), kDeclarations.end(),
                                    [bit](const SerialSettingDeclaration* d) { return d->bit() == bit; });
    return found == kDeclarations.end() ? nullptr : *found;
}

}  // namespace zeph::windows::communication
