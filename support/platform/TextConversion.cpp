#include "support/platform/TextConversion.h"

#include <cstdint>

namespace zeph::platform {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

// The length of the sequence a lead byte starts and the range its second byte must lie in, which
// is where overlong forms, surrogates and values above U+10FFFF are refused. 0: no lead byte.
struct Lead {
    int length;
    unsigned char low;
    unsigned char high;
};

Lead leadOf(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2, 0x80, 0xBF};
    if (byte == 0xE0)
        return {3, 0xA0, 0xBF};
    if (byte == 0xED)
        return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF)
        return {3, 0x80, 0xBF};
    if (byte == 0xF0)
        return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3)
        return {4, 0x80, 0xBF};
    if (byte == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

constexpr std::uint32_t kEscapeBase = 0xDC00;

// Decodes by hand rather than through mbrtowc so that the result never depends on the process
// locale. invalid(out, bytes) writes what stands for one bad sequence (a maximal subpart).
template <typename Invalid>
std::wstring decode(std::string_view narrow, Invalid invalid) {
    std::wstring wide;
    wide.reserve(narrow.size());
    std::size_t at = 0;
    while (at < narrow.size()) {
        const auto byte = static_cast<unsigned char>(narrow[at]);
        if (byte < 0x80) {
            wide += static_cast<wchar_t>(byte);
            ++at;
            continue;
        }
        const Lead lead = leadOf(byte);
        std::uint32_t code = byte & (0xFF >> (lead.length + 1));
        std::size_t taken = 1;
        while (taken < static_cast<std::size_t>(lead.length) && at + taken < narrow.size()) {
            const auto next = static_cast<unsigned char>(narrow[at + taken]);
            const bool valid = taken == 1 ? isContinuation(next, lead.low, lead.high) : isContinuation(next);
            if (!valid) {
                break;
            }
            code = (code << 6) | (next & 0x3F);
            ++taken;
        }
        if (lead.length != 0 && taken == static_cast<std::size_t>(lead.length)) {
            wide += static_cast<wchar_t>(code);
        } else {
            invalid(wide, narrow.substr(at, taken));
        }
        at += taken;
    }
    return wide;
}

// unencodable(out, code) writes what stands for a surrogate or a value above U+10FFFF.
template <typename Unencodable>
std::string encode(std::wstring_view wide, Unencodable unencodable) {
    std::string narrowText;
    narrowText.reserve(wide.size());
    for (const wchar_t character : wide) {
        const auto code = static_cast<std::uint32_t>(character);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            unencodable(narrowText, code);
        } else {
            appendUtf8(narrowText, code);
        }
    }
    return narrowText;
}

}  // namespace

// A bad sequence gives one U+FFFD per maximal subpart, as the Unicode standard advises.
std::wstring widen(std::string_view narrow) {
    return decode(narrow, [](std::wstring& wide, std::string_view) { wide += kReplacement; });
}

std::string narrow(std::wstring_view wide) {
    return encode(wide, [](std::string& narrowText, std::uint32_t) { narrowText += '?'; });
}

std::wstring widenPath(std::string_view bytes) {
    return decode(bytes, [](std::wstring& wide, std::string_view bad) {
        for (const char byte : bad) {
            wide += static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(byte));
        }
    });
}

std::string narrowPath(std::wstring_view wide) {
    return encode(wide, [](std::string& bytes, std::uint32_t code) {
        const bool escaped = code >= kEscapeBase + 0x80 && code <= kEscapeBase + 0xFF;
        bytes += escaped ? static_cast<char>(code - kEscapeBase) : '?';
    });
}

}  // namespace zeph::platform
