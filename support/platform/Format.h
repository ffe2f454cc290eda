#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace zeph::platform {

// One argument of a Windows wide-printf format, with its type kept so that a conversion of the
// wrong kind renders a visible marker instead of reading garbage.
class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Floating, WideText, NarrowText, WideChar, Pointer };

    template <typename T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, wchar_t>)
    FormatArg(T value) : byteWidth_(sizeof(T)) {
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
        requires std::is_enum_v<T>
    FormatArg(T value) : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}
    FormatArg(double value) : kind_(Kind::Floating), floating_(value) {}
    FormatArg(float value) : kind_(Kind::Floating), floating_(value) {}
    FormatArg(wchar_t value) : kind_(Kind::WideChar), byteWidth_(sizeof(wchar_t)), unsigned_(static_cast<std::uint32_t>(value)) {}
    FormatArg(const wchar_t* text) : kind_(Kind::WideText), wide_(text ? text : L"(null)") {}
    FormatArg(const std::wstring& text) : kind_(Kind::WideText), wide_(text) {}
    FormatArg(std::wstring_view text) : kind_(Kind::WideText), wide_(text) {}
    FormatArg(const char* text) : kind_(Kind::NarrowText), narrow_(text ? text : "(null)") {}
    FormatArg(const std::string& text) : kind_(Kind::NarrowText), narrow_(text) {}
    FormatArg(std::string_view text) : kind_(Kind::NarrowText), narrow_(text) {}
    FormatArg(const void* pointer) : kind_(Kind::Pointer), unsigned_(reinterpret_cast<std::uintptr_t>(pointer)) {}

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

// Renders a Windows wide-printf format: %s is a wide text and %hs a narrow one (UTF-8, widened);
// %d %i %u %x %X %c %f %p %% with flags '-' '0', width and precision as Windows gives them.
// An argument of the wrong kind, or a missing one, renders as a visible marker.
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
