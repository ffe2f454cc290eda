#include "support/logging/LogArgumentEscape.h"

#include "support/platform/TextConversion.h"

#include <algorithm>

namespace zeph::windows::logging {

namespace {

using Kind = platform::FormatArg::Kind;

bool needsEscape(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == L'|';
}

// A C1 control in UTF-8 begins with 0xC2, so that byte is enough to look closer.
bool mayNeedEscape(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == 0xC2 || c == '|';
}

bool textNeedsEscape(const platform::FormatArg& arg) {
    if (arg.kind() == Kind::WideText) {
        return std::ranges::any_of(arg.asWide(), needsEscape);
    }
    if (arg.kind() == Kind::NarrowText) {
        return std::ranges::any_of(arg.asNarrow(),
                                   [](char c) { return mayNeedEscape(static_cast<unsigned char>(c)); });
    }
    return false;
}

}  // namespace

std::wstring escapeLogText(std::wstring_view text) {
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        if (needsEscape(c)) {
            out += L"\\x";
            out += digits[(c >> 4) & 0x0F];
            out += digits[c & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

EscapedLogArguments::EscapedLogArguments(std::span<const platform::FormatArg> args) : args_(args) {
    if (std::ranges::none_of(args, textNeedsEscape)) {
        return;
    }
    copies_.assign(args.begin(), args.end());
    for (platform::FormatArg& arg : copies_) {
        if (!textNeedsEscape(arg)) {
            continue;
        }
        // A text ends at its first NUL, as the formatter reads it.
        std::wstring text =
            arg.kind() == Kind::WideText ? std::wstring(arg.asWide()) : platform::widen(arg.asNarrow());
        text.resize(std::min(text.size(), text.find(L'\0')));
        texts_.push_back(escapeLogText(text));
        arg = platform::FormatArg(std::wstring_view(texts_.back()));
    }
    args_ = copies_;
}

}  // namespace zeph::windows::logging
