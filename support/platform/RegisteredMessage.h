#pragma once

#include "support/platform/WindowTypes.h"

#include <string_view>

namespace zeph::platform {

// RegisterWindowMessageW: the same name gives the same id for the life of the process;
// ids start at 0xC000. An empty name gives 0 with ERROR_INVALID_PARAMETER.
UINT registerWindowMessage(std::wstring_view name);

}  // namespace zeph::platform
