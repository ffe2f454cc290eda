#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace zeph::platform {

// One argument of a Windows wide-printf format, with its type kept so that a conversion of the
// wrong kind renders a visible marker instead of reading garbage. A text argument is viewed, not
// copied: it must outlive the formatting call (formatMessage guarantees that).
class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Floating, WideText, NarrowText, WideChar, Pointer };

    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, wchar_t>)
        FormatArg(T value)
        : byteWidth_(sizeof(T)) {
        if constexpr (std::is_signed_v<T>) {
            kind_ = Kind::Signed;
            signed_ = value;
        } else {
            kind_ = Kind::Unsigned;
            unsigned_ = value;
        }
    }
    FormatArg(bool value) : kind_(Kind::Signed), byteWidth_(sizeof(int)), signed_(value ? 1 : 0) {}
    template <typename T>
    requires std::is_enum_v<T> FormatArg(T value)
        : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}
    FormatArg(double value) : kind_(Kind::Floating), floating_(value) {}
    FormatArg(float value) : kind_(Kind::Floating), floating_(value) {}
    FormatArg(long double value) : kind_(Kind::Floating), floating_(static_cast<double>(value)) {}
    FormatArg(wchar_t value)
        : kind_(Kind::WideChar), byteWidth_(sizeof(wchar_t)), unsigned_(static_cast<std::uint32_t>(value)) {}

    // C strings; a null pointer reads "(null)" as on Windows.
    template <typename P>
    requires(std::is_same_v<P, const wchar_t*> || std::is_same_v<P, wchar_t*>) FormatArg(P text)
        : kind_(Kind::WideText), wide_(text ? std::wstring_view(text) : L"(null)") {}
    template <typename P>
    requires(std::is_same_v<P, const char*> || std::is_same_v<P, char*>) FormatArg(P text)
        : kind_(Kind::NarrowText), narrow_(text ? std::string_view(text) : "(null)") {}
    // Character arrays (a literal, a fixed field of a record) are read up to their first NUL but
    // never past their end, so an unterminated field from the unit cannot overrun.
    template <std::size_t N>
    FormatArg(const wchar_t (&text)[N]) : kind_(Kind::WideText), wide_(text, ::wcsnlen(text, N)) {}
    template <std::size_t N>
    FormatArg(const char (&text)[N]) : kind_(Kind::NarrowText), narrow_(text, ::strnlen(text, N)) {}

    FormatArg(const std::wstring& text) : kind_(Kind::WideText), wide_(text) {}
    FormatArg(std::wstring_view text) : kind_(Kind::WideText), wide_(text) {}
    FormatArg(const std::string& text) : kind_(Kind::NarrowText), narrow_(text) {}
    FormatArg(std::string_view text) : kind_(Kind::NarrowText), narrow_(text) {}
    FormatArg(const void* pointer)
        : kind_(Kind::Pointer),
          byteWidth_(sizeof(void*)),
          unsigned_(reinterpret_cast<std::uintptr_t>(pointer)) {}
    FormatArg(std::nullptr_t) : kind_(Kind::Pointer), byteWidth_(sizeof(void*)) {}

    Kind kind() const { return kind_; }
    std::size_t byteWidth() const { return byteWidth_; }
    std::int64_t asSigned() const { return signed_; }
    std::uint64_t asUnsigned() const { return unsigned_; }
    double asFloating() const { return floating_; }
    std::wstring_view asWide() const { return wide_; }
    std::string_view asNarrow() const { return narrow_; }

private:
    Kind kind_;
    std::size_t byteWidth_ = 0;
    std::int64_t signed_ = 0;
    std::uint64_t unsigned_ = 0;
    double floating_ = 0.0;
    std::wstring_view wide_;
    std::string_view narrow_;
};

// Renders a Windows wide-printf format as MSVC's swprintf does, reading typed arguments:
//
// - Conversions: %d %i %u %x %X %o, %c %C, %s %S, %p, %e %E %f %F %g %G %a %A and %%, with the
//   flags '-' '0' '+' ' ' '#', a width and a precision (digits or '*', which takes an int argument;
//   a negative '*' width means '-', a negative '*' precision means none; both are capped at
//   kFormatWidthLimit). Length prefixes by the Windows sizes: hh, h, l and I32 are 8, 16, 32 and
//   32 bits, ll, I64, I, z, j and t are 64 bits; L is accepted for the floating conversions.
// - Texts: %s and %ls read a wide text, %hs and %S a narrow one (UTF-8, widened); either kind of
//   text renders correctly under any of them, since the argument knows its own encoding. A text
//   ends at its first NUL, as the C string Windows expects; a null pointer reads "(null)".
//   A precision counts characters; the '0' flag pads with zeros, as MSVC does.
// - Characters: %c takes a wchar_t or an integer character code, %hc (and %C) a narrow byte, as
//   is a char argument under either; a byte above 0x7F or a code that is no Unicode scalar value
//   renders U+FFFD, and a NUL renders nothing (it would end the text for every later reader).
// - Integers render as Windows renders them after the default promotion to a 32-bit int: -1 as
//   an int is "FFFFFFFF" under %X and "4294967295" under %u; 0xFFFFFFFF as a DWORD is "-1" under
//   %d. h and hh cut the value to 16 and 8 bits. A 64-bit argument under a conversion without a
//   64-bit prefix (Linux's long, size_t, int64_t under plain %d) is never cut: it renders its
//   own value as %lld (or %llu for an unsigned argument) would. A wchar_t or a pointer is an
//   integer too ("[0x%X]" with a handle), as is bool (0 or 1).
// - %p renders 16 upper-case hex digits, as on x64 Windows; it takes a pointer or an integer.
// - Floating conversions take only floating arguments (an integer there is a wrong kind);
//   infinity and NaN read "inf" and "nan".
//
// What Windows would crash on or read as garbage renders as a visible marker instead:
//   a missing argument            "%!d(MISSING)"
//   an argument of the wrong kind "%!d(string=abc)"  (the conversion as written, the argument's
//                                 kind: int, uint, double, wstring, string, wchar, pointer, and
//                                 its value)
//   a bad '*' argument            "%!(BADWIDTH)" or "%!(BADPREC)", then the conversion without it
// Extra arguments are ignored. An unknown conversion (%n among them) or one cut off by the end of
// the format renders literally and takes no argument. Nothing here reads past the format or an
// argument, and nothing throws but allocation.
inline constexpr int kFormatWidthLimit = 100000;

std::wstring formatArgs(std::wstring_view format, std::span<const FormatArg> args);

template <typename... Args>
std::wstring formatMessage(std::wstring_view format, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return formatArgs(format, {});
    } else {
        const FormatArg packed[] = {FormatArg(args)...};
        return formatArgs(format, packed);
    }
}

}  // namespace zeph::platform
