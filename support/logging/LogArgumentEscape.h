#pragma once

#include "support/platform/Format.h"

#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zeph::windows::logging {

// Text that reaches the log as an argument (a unit's serial number or folder name, a port path,
// a system message) must not start a line of its own nor open a field: a control character
// (C0, DEL, C1) and '|' are written as "\xNN". The formats themselves stay as they are.
std::wstring escapeLogText(std::wstring_view text);

// The arguments with every text argument that needs it replaced by its escaped copy, held in
// storage; arguments that need nothing are passed on as they are.
std::vector<platform::FormatArg> escapeLogArguments(std::span<const platform::FormatArg> args,
                                                    std::deque<std::wstring>& storage);

}  // namespace zeph::windows::logging
