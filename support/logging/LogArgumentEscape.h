#pragma once

#include "support/platform/Format.h"

#include <list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zeph::windows::logging {

// Text that reaches the log as an argument (a unit's serial number or folder name, a port path,
// a system message) must not start a line of its own nor open a field: a control character
// (C0, DEL, C1) and '|' are written as "\xNN". The formats themselves stay as they are.
std::wstring escapeLogText(std::wstring_view text);

// The arguments of one log call with every text argument that needs it replaced by its escaped
// copy, which this holds. Nearly no call has one: then the call's own arguments are passed on and
// nothing is allocated (this runs for every entry of the log).
class EscapedLogArguments {
public:
    explicit EscapedLogArguments(std::span<const platform::FormatArg> args);
    EscapedLogArguments(const EscapedLogArguments&) = delete;
    EscapedLogArguments& operator=(const EscapedLogArguments&) = delete;

    std::span<const platform::FormatArg> args() const { return args_; }

private:
    std::span<const platform::FormatArg> args_;
    std::vector<platform::FormatArg> copies_;
    std::list<std::wstring> texts_;  // never moves a text the copies view
};

}  // namespace zeph::windows::logging
