#pragma once

#include <cstdint>
#include <span>

namespace zeph::windows::communication {

// A declared serial setting: its bit, its key, its default text ("<kind>|<value>", kind 1 an
// integer) and a flags word. Only the bits are used: they form the mask of the settings the
// serial settings dialog lets the operator change.
class SerialSettingDeclaration {
public:
    constexpr SerialSettingDeclaration(std::uint32_t bit, const wchar_t* key, const wchar_t* defaultText,
                                       std::uint32_t flags)
        : bit_(bit), key_(key), defaultText_(defaultText), flags_(flags) {}
    SerialSettingDeclaration(const SerialSettingDeclaration&) = delete;
    SerialSettingDeclaration& operator=(const SerialSettingDeclaration&) = delete;

    constexpr std::uint32_t bit() const { return bit_; }
    constexpr const wchar_t* key() const { return key_; }
    constexpr const wchar_t* defaultText() const { return defaultText_; }
    constexpr std::uint32_t flags() const { return flags_; }

    // The process-wide table of declarations, in ascending bit order.
    static std::span<const SerialSettingDeclaration* const> table();
    // The declaration of that bit, or null.
    static const SerialSettingDeclaration* find(std::uint32_t bit);

private:
    std::uint32_t bit_;
    const wchar_t* key_;
    const wchar_t* defaultText_;
    std::uint32_t flags_;
};

extern const SerialSettingDeclaration PortSetting;
extern const SerialSettingDeclaration BaudRateSetting;
extern const SerialSettingDeclaration DataBitsSetting;
extern const SerialSettingDeclaration ParitySetting;
extern const SerialSettingDeclaration StopBitsSetting;
extern const SerialSettingDeclaration FlowControlSetting;

}  // namespace zeph::windows::communication
