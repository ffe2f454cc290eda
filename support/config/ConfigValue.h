#pragma once

#include <boost/variant.hpp>

#include <array>
#include <string>

namespace zeph::windows::config {

// A setting's value. The order of the kinds is their index, which diagnostics show by name.
using ConfigValue = boost::variant<bool, int, double, std::wstring>;

// Display names of the kinds, by index: "bool", "int", "double", "string".
inline constexpr std::array<const wchar_t*, 4> kValueKindNames = {L"bool", L"int", L"double", L"string"};

// Where a store's settings could be kept; names only, kept for diagnostics: no loader exists.
enum class StorageKind { Registry = 1, IniFile = 2 };

inline const wchar_t* storageKindName(StorageKind kind) {
    switch (kind) {
        case StorageKind::Registry:
            return L"Registry";
        case StorageKind::IniFile:
            return L"INI File";
    }
    return L"";
}

}  // namespace zeph::windows::config
