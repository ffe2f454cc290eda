#pragma once

#include <string>
#include <string_view>

namespace zeph::platform {

// ExpandEnvironmentStringsW: replaces every %NAME% by the variable's value; an unknown name
// stays as written. %TEMP% (and %TMP%) fall back to $TMPDIR, then /tmp, because every Windows
// process has a TEMP.
std::wstring expandEnvironmentStrings(std::wstring_view text);

// Joins a folder and a file name with '/'.
std::wstring joinPath(std::wstring_view folder, std::wstring_view name);

}  // namespace zeph::platform
