#include "support/platform/FormatConversion.h"

#include "support/platform/Format.h"

#include <algorithm>

namespace zeph::platform::detail {
namespace {

constexpr std::wstring_view kConversions = L"diuxXocCsSpeEfFgGaA";

bool isDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Reads a run of digits, capped so that a long run can neither overflow nor ask for a huge text.
int readNumber(std::wstring_view format, std::size_t& at) {
    int value = 0;
    while (at < format.size() && isDigit(format[at])) {
        value = std::min(value * 10 + (format[at] - L'0'), kFormatWidthLimit);
        ++at;
    }
    return value;
}

bool startsWith(std::wstring_view format, std::size_t at, std::wstring_view text) {
    return format.substr(at, text.size()) == text;
}

FormatLength readLength(std::wstring_view format, std::size_t& at) {
    struct Prefix {
        std::wstring_view text;
        FormatLength length;
    };
    // Longest first, so that "hh" is not read as "h" and "I64" not as "I".
    static constexpr Prefix kPrefixes[] = {
        {L"hh", FormatLength::Char},  {L"ll", FormatLength::LongLong},  {L"I64", FormatLength::LongLong},
        {L"I32", FormatLength::Long}, {L"h", FormatLength::Short},      {L"l", FormatLength::Long},
        {L"I", FormatLength::Size},   {L"z", FormatLength::Size},       {L"j", FormatLength::LongLong},
        {L"t", FormatLength::Size},   {L"L", FormatLength::LongDouble}, {L"w", FormatLength::Wide},
    };
    for (const Prefix& prefix : kPrefixes) {
        if (startsWith(format, at, prefix.text)) {
            at += prefix.text.size();
            return prefix.length;
        }
    }
    return FormatLength::Default;
}

void readFlags(std::wstring_view format, std::size_t& at, FormatConversion& conversion) {
    for (; at < format.size(); ++at) {
        switch (format[at]) {
            case L'-':
                conversion.leftAlign = true;
                break;
            case L'0':
                conversion.zeroPad = true;
                break;
            case L'+':
                conversion.plusSign = true;
                break;
            case L' ':
                conversion.blankSign = true;
                break;
            case L'#':
                conversion.alternate = true;
                break;
            default:
                return;
        }
    }
}

}  // namespace

FormatConversion parseFormatConversion(std::wstring_view format, std::size_t start) {
    FormatConversion conversion;
    std::size_t at = start + 1;
    readFlags(format, at, conversion);
    if (at < format.size() && format[at] == L'*') {
        conversion.widthFromArg = true;
        ++at;
    } else {
        conversion.width = readNumber(format, at);
    }
    if (at < format.size() && format[at] == L'.') {
        ++at;
        if (at < format.size() && format[at] == L'*') {
            conversion.precisionFromArg = true;
            ++at;
        } else {
            conversion.precision = readNumber(format, at);
        }
    }
    conversion.length = readLength(format, at);
    conversion.end = at;
    if (at < format.size() && kConversions.find(format[at]) != std::wstring_view::npos) {
        conversion.conversion = format[at];
        conversion.end = at + 1;
        conversion.valid = true;
    }
    return conversion;
}

}  // namespace zeph::platform::detail
