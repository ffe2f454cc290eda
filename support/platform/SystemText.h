#pragma once

#include "support/platform/ErrorCodes.h"

#include <optional>
#include <string>

namespace zeph::platform {

// The system's English text for a Win32 code, worded as Windows words it and ending in
// CR LF, as FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM) returns it. No text for an unknown code.
std::optional<std::wstring> systemText(DWORD code);

}  // namespace zeph::platform
