#include "support/platform/Format.h"

#include "support/platform/CLocaleScope.h"
#include "support/platform/FormatConversion.h"
#include "support/platform/TextConversion.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

namespace zeph::platform {
namespace {

using detail::FormatConversion;
using detail::FormatLength;
using Kind = FormatArg::Kind;

constexpr wchar_t kReplacement = 0xFFFD;

class ArgCursor {
public:
    explicit ArgCursor(std::span<const FormatArg> args) : args_(args) {}
    const FormatArg* take() { return next_ < args_.size() ? &args_[next_++] : nullptr; }

private:
    std::span<const FormatArg> args_;
    std::size_t next_ = 0;
};

enum class Category { Integer, Character, Text, Pointer, Floating };

Category categoryOf(wchar_t conversion) {
    switch (conversion) {
        case L'c':
        case L'C':
            return Category::Character;
        case L's':
        case L'S':
            return Category::Text;
        case L'p':
            return Category::Pointer;
        case L'e':
        case L'E':
        case L'f':
        case L'F':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            return Category::Floating;
        default:
            return Category::Integer;
    }
}

bool accepts(Category category, const FormatArg& arg) {
    const Kind kind = arg.kind();
    const bool integer = kind == Kind::Signed || kind == Kind::Unsigned;
    switch (category) {
        case Category::Integer:
            return integer || kind == Kind::WideChar || kind == Kind::Pointer;
        case Category::Character:
            return integer || kind == Kind::WideChar;
        case Category::Text:
            return kind == Kind::WideText || kind == Kind::NarrowText ||
                   (kind == Kind::Pointer && arg.asUnsigned() == 0);
        case Category::Pointer:
            return integer || kind == Kind::Pointer;
        case Category::Floating:
            return kind == Kind::Floating;
    }
    return false;
}

// The argument's bits, sign-extended from a signed type.
std::uint64_t rawBits(const FormatArg& arg) {
    return arg.kind() == Kind::Signed ? static_cast<std::uint64_t>(arg.asSigned()) : arg.asUnsigned();
}

bool isScalarValue(std::uint64_t code) {
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

void appendAscii(std::wstring& out, std::string_view text) {
    for (const char c : text) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
}

template <typename T>
void appendNumber(std::wstring& out, T value, int base = 10) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, base);
    appendAscii(out, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

void appendNumber(std::wstring& out, double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    appendAscii(out, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

// A C-string argument ends at its first NUL, as the text Windows would have read.
std::wstring_view untilNul(std::wstring_view text) {
    return text.substr(0, text.find(L'\0'));
}

std::string_view untilNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::wstring textOf(const FormatArg& arg) {
    switch (arg.kind()) {
        case Kind::WideText:
            return std::wstring(untilNul(arg.asWide()));
        case Kind::NarrowText:
            return widen(untilNul(arg.asNarrow()));
        default:
            return L"(null)";
    }
}

void appendMarkerValue(std::wstring& out, const FormatArg& arg) {
    switch (arg.kind()) {
        case Kind::Signed:
            out += L"int=";
            return appendNumber(out, arg.asSigned());
        case Kind::Unsigned:
            out += L"uint=";
            return appendNumber(out, arg.asUnsigned());
        case Kind::Floating:
            out += L"double=";
            return appendNumber(out, arg.asFloating());
        case Kind::WideText:
            out += L"wstring=";
            break;
        case Kind::NarrowText:
            out += L"string=";
            break;
        case Kind::WideChar:
            out += L"wchar=";
            out += isScalarValue(arg.asUnsigned()) && arg.asUnsigned() != 0
                       ? static_cast<wchar_t>(arg.asUnsigned())
                       : kReplacement;
            return;
        case Kind::Pointer:
            out += L"pointer=0x";
            return appendNumber(out, arg.asUnsigned(), 16);
    }
    out += textOf(arg);
}

// "%!d(MISSING)" or "%!d(string=abc)": visible in the log where Windows would have misbehaved.
void appendMarker(std::wstring& out, std::wstring_view specText, const FormatArg* arg) {
    out += L"%!";
    out += specText;
    out += L'(';
    if (arg == nullptr) {
        out += L"MISSING";
    } else {
        appendMarkerValue(out, *arg);
    }
    out += L')';
}

// Pads as MSVC does for every conversion: blanks before the prefix, or zeros after it, or
// blanks after the body when left-aligned.
void appendPadded(std::wstring& out, const FormatConversion& conversion, std::wstring_view prefix,
                  std::wstring_view body, bool zeroPad) {
    const std::size_t length = prefix.size() + body.size();
    const std::size_t padding =
        static_cast<std::size_t>(conversion.width) > length ? conversion.width - length : 0;
    if (!conversion.leftAlign && !zeroPad) {
        out.append(padding, L' ');
    }
    out += prefix;
    if (!conversion.leftAlign && zeroPad) {
        out.append(padding, L'0');
    }
    out += body;
    if (conversion.leftAlign) {
        out.append(padding, L' ');
    }
}

int conversionBits(FormatLength length) {
    switch (length) {
        case FormatLength::Char:
            return 8;
        case FormatLength::Short:
            return 16;
        case FormatLength::LongLong:
        case FormatLength::Size:
            return 64;
        default:
            return 32;
    }
}

struct IntegerValue {
    std::uint64_t magnitude;
    bool negative;
};

// Reads the argument as the conversion's type, as the Windows promotion and the length prefix
// make it; a 64-bit argument under a 32-bit conversion keeps its value instead of being cut.
IntegerValue integerValue(const FormatConversion& conversion, const FormatArg& arg) {
    int bits = conversionBits(conversion.length);
    bool readSigned = conversion.conversion == L'd' || conversion.conversion == L'i';
    if (bits == 32 && arg.byteWidth() > 4) {
        bits = 64;
        readSigned = readSigned && arg.kind() == Kind::Signed;
    }
    const std::uint64_t mask = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    const std::uint64_t value = rawBits(arg) & mask;
    const bool negative = readSigned && (value >> (bits - 1)) != 0;
    return {negative ? (~value + 1) & mask : value, negative};
}

void appendInteger(std::wstring& out, const FormatConversion& conversion, const FormatArg& arg) {
    const wchar_t letter = conversion.conversion;
    const bool signedLetter = letter == L'd' || letter == L'i';
    const auto [magnitude, negative] = integerValue(conversion, arg);

    const int base = letter == L'o' ? 8 : (letter == L'x' || letter == L'X') ? 16 : 10;
    std::wstring body;
    if (magnitude != 0 || conversion.precision != 0) {
        appendNumber(body, magnitude, base);
    }
    if (letter == L'X') {
        std::transform(body.begin(), body.end(), body.begin(),
                       [](wchar_t c) { return c >= L'a' && c <= L'f' ? static_cast<wchar_t>(c - 32) : c; });
    }
    if (conversion.precision > 0 && body.size() < static_cast<std::size_t>(conversion.precision)) {
        body.insert(0, conversion.precision - body.size(), L'0');
    }
    if (letter == L'o' && conversion.alternate && (body.empty() || body[0] != L'0')) {
        body.insert(0, 1, L'0');
    }

    std::wstring_view prefix;
    if (negative) {
        prefix = L"-";
    } else if (signedLetter && conversion.plusSign) {
        prefix = L"+";
    } else if (signedLetter && conversion.blankSign) {
        prefix = L" ";
    } else if (conversion.alternate && magnitude != 0 && base == 16) {
        prefix = letter == L'X' ? L"0X" : L"0x";
    }
    appendPadded(out, conversion, prefix, body, conversion.zeroPad && conversion.precision < 0);
}

bool narrowCharacter(const FormatConversion& conversion) {
    if (conversion.conversion == L'C') {
        return conversion.length != FormatLength::Long && conversion.length != FormatLength::Wide;
    }
    return conversion.length == FormatLength::Short;
}

void appendCharacter(std::wstring& out, const FormatConversion& conversion, const FormatArg& arg) {
    const std::uint64_t code = rawBits(arg);
    wchar_t character = kReplacement;
    if (arg.kind() != Kind::WideChar && (narrowCharacter(conversion) || arg.byteWidth() == 1)) {
        // A lone byte is only a whole UTF-8 character when it is ASCII.
        const std::uint64_t byte = code & 0xFF;
        character = byte < 0x80 ? static_cast<wchar_t>(byte) : kReplacement;
    } else if (isScalarValue(code)) {
        character = static_cast<wchar_t>(code);
    }
    // A NUL would end the text early for every reader after us: it renders nothing.
    const std::wstring_view body = character == 0 ? std::wstring_view() : std::wstring_view(&character, 1);
    appendPadded(out, conversion, {}, body, conversion.zeroPad);
}

void appendText(std::wstring& out, const FormatConversion& conversion, const FormatArg& arg) {
    std::wstring text = textOf(arg);
    if (conversion.precision >= 0 && text.size() > static_cast<std::size_t>(conversion.precision)) {
        text.resize(conversion.precision);
    }
    appendPadded(out, conversion, {}, text, conversion.zeroPad);
}

void appendPointer(std::wstring& out, const FormatConversion& conversion, const FormatArg& arg) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llX", static_cast<unsigned long long>(rawBits(arg)));
    std::wstring body;
    appendAscii(body, digits);
    appendPadded(out, conversion, {}, body, conversion.zeroPad);
}

void appendFloating(std::wstring& out, const FormatConversion& conversion, const FormatArg& arg) {
    std::string format = "%";
    for (const auto& [set, flag] : {std::pair{conversion.leftAlign, '-'}, std::pair{conversion.zeroPad, '0'},
                                    std::pair{conversion.plusSign, '+'}, std::pair{conversion.blankSign, ' '},
                                    std::pair{conversion.alternate, '#'}}) {
        if (set) {
            format += flag;
        }
    }
    format += "*.*";
    format += static_cast<char>(conversion.conversion);
    // Windows prints a hexadecimal float with all 13 fraction digits unless told otherwise.
    const bool hexadecimal = conversion.conversion == L'a' || conversion.conversion == L'A';
    const int precision = conversion.precision < 0 && hexadecimal ? 13 : conversion.precision;
    const double value = arg.asFloating();
    // Windows programs format in the C locale unless they ask otherwise; a log line is read by machines.
    const CLocaleScope cLocale;
    const int length = std::snprintf(nullptr, 0, format.c_str(), conversion.width, precision, value);
    if (length <= 0) {
        return;
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), conversion.width, precision, value);
    text.pop_back();
    appendAscii(out, text);
}

// Reads a '*' argument: an integer, capped like a written width.
std::optional<int> starValue(const FormatArg* arg) {
    if (arg == nullptr || (arg->kind() != Kind::Signed && arg->kind() != Kind::Unsigned)) {
        return std::nullopt;
    }
    const std::int64_t value =
        arg->kind() == Kind::Signed
            ? arg->asSigned()
            : static_cast<std::int64_t>(std::min<std::uint64_t>(arg->asUnsigned(), kFormatWidthLimit));
    return static_cast<int>(std::clamp<std::int64_t>(value, -kFormatWidthLimit, kFormatWidthLimit));
}

void resolveStars(std::wstring& out, FormatConversion& conversion, ArgCursor& cursor) {
    if (conversion.widthFromArg) {
        if (const auto width = starValue(cursor.take())) {
            conversion.leftAlign = conversion.leftAlign || *width < 0;
            conversion.width = *width < 0 ? -*width : *width;
        } else {
            out += L"%!(BADWIDTH)";
        }
    }
    if (conversion.precisionFromArg) {
        if (const auto precision = starValue(cursor.take())) {
            conversion.precision = *precision < 0 ? -1 : *precision;
        } else {
            out += L"%!(BADPREC)";
        }
    }
}

void appendConversion(std::wstring& out, FormatConversion conversion, std::wstring_view specText,
                      ArgCursor& cursor) {
    resolveStars(out, conversion, cursor);
    const FormatArg* arg = cursor.take();
    const Category category = categoryOf(conversion.conversion);
    if (arg == nullptr || !accepts(category, *arg)) {
        appendMarker(out, specText, arg);
        return;
    }
    switch (category) {
        case Category::Integer:
            return appendInteger(out, conversion, *arg);
        case Category::Character:
            return appendCharacter(out, conversion, *arg);
        case Category::Text:
            return appendText(out, conversion, *arg);
        case Category::Pointer:
            return appendPointer(out, conversion, *arg);
        case Category::Floating:
            return appendFloating(out, conversion, *arg);
    }
}

}  // namespace

std::wstring formatArgs(std::wstring_view format, std::span<const FormatArg> args) {
    std::wstring out;
    out.reserve(format.size() + 16 * args.size());
    ArgCursor cursor(args);
    std::size_t at = 0;
    while (at < format.size()) {
        const std::size_t percent = format.find(L'%', at);
        out += format.substr(at, percent - at);
        if (percent == std::wstring_view::npos) {
            break;
        }
        if (percent + 1 < format.size() && format[percent + 1] == L'%') {
            out += L'%';
            at = percent + 2;
            continue;
        }
        const FormatConversion conversion = detail::parseFormatConversion(format, percent);
        if (conversion.valid) {
            appendConversion(out, conversion, format.substr(percent + 1, conversion.end - percent - 1),
                             cursor);
        } else {
            out += format.substr(percent, conversion.end - percent);
        }
        at = conversion.end;
    }
    return out;
}

}  // namespace zeph::platform
