#pragma once

#include <string>
#include <string_view>

namespace zeph::platform {

// The one pair of conversions between narrow texts (bytes from the unit, files: UTF-8) and the
// wide texts that are shown and logged. Bytes that do not convert become U+FFFD; a wide
// character that cannot be encoded becomes '?'. Nothing is dropped, nothing throws.
std::wstring widen(std::string_view narrow);
std::string narrow(std::wstring_view wide);

}  // namespace zeph::platform
