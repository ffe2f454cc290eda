#pragma once

#include <string>
#include <string_view>

namespace zeph::platform {

// ExpandEnvironmentStringsW: replaces every %NAME% by the variable's value, read once, never
// expanded again. Names are case-sensitive, as the Linux environment is. A name that is unset,
// set to nothing or holds '=' stays as written, both '%' included, and scanning goes on after
// it, as on Windows: "%%" and a lone '%' stay as they are. %TEMP% and %TMP% (in any
// case, as on Windows) fall back to $TMPDIR, then "/tmp", when unset or empty, because every
// Windows process has a TEMP.
std::wstring expandEnvironmentStrings(std::wstring_view text);

// Joins a folder and a file name with exactly one '/' between them ("a/" + "/b" is "a/b"). An
// empty folder gives the name as it is.
std::wstring joinPath(std::wstring_view folder, std::wstring_view name);

}  // namespace zeph::platform
