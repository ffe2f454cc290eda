#pragma once

#include <string>
#include <string_view>

namespace zeph::platform {

// The one pair of conversions between narrow texts (bytes from the unit, files: UTF-8) and the
// wide texts that are shown and logged. Bytes that do not convert become U+FFFD; a wide
// character that cannot be encoded becomes '?'. Nothing is dropped, nothing throws.
std::wstring widen(std::string_view narrow);
std::string narrow(std::wstring_view wide);

// Paths and environment values are bytes on Linux and are used as given: these two keep every
// byte. A byte that is not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte (as
// Python's "surrogateescape" does), which no valid text can produce, and narrowPath turns it back.
// Shown or logged, such a character is '?' through narrow().
std::wstring widenPath(std::string_view bytes);
std::string narrowPath(std::wstring_view wide);

}  // namespace zeph::platform
