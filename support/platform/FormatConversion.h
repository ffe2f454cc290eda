#pragma once

#include <cstddef>
#include <string_view>

namespace zeph::platform::detail {

// Length prefixes by the Windows sizes: long is 32-bit, I and z are 64-bit on x64.
enum class FormatLength { Default, Char, Short, Long, LongLong, Size, LongDouble, Wide };

// One conversion of a wide-printf format, as written between its '%' and its letter.
struct FormatConversion {
    bool valid = false;  // false: unknown or cut-off conversion, rendered literally up to `end`
    bool leftAlign = false;
    bool zeroPad = false;
    bool plusSign = false;
    bool blankSign = false;
    bool alternate = false;
    bool widthFromArg = false;
    bool precisionFromArg = false;
    int width = 0;
    int precision = -1;  // -1: none given
    FormatLength length = FormatLength::Default;
    wchar_t conversion = 0;
    std::size_t end = 0;  // index just past the letter; for an invalid one, of the offending character
};

// Reads the conversion whose '%' is at `start` (not "%%", which the caller handles).
FormatConversion parseFormatConversion(std::wstring_view format, std::size_t start);

}  // namespace zeph::platform::detail
