// Renders hostile wide-printf formats with hostile arguments, as the log does for every line, and
// checks what the formatter promises: nothing is read beyond the format or an argument (each lives
// in a buffer of exactly its size), nothing throws, no NUL appears that the format did not hold,
// and widths and precisions stay capped however large the format or a '*' argument asks them.
//
// Input: the format's length in bytes (2 bytes, little-endian), the format's bytes (each byte one
// character; 0xFF takes the next four bytes as one raw wide character, NUL, a lone surrogate or a
// value beyond Unicode among them), then the arguments: a kind byte each, followed by the kind's
// bytes (see argumentOf).

#include "fuzz/DiscardingLog.h"
#include "support/logging/LogBeacon.h"
#include "support/logging/LogListener.h"
#include "support/platform/Format.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quorvex::fuzz::logWithListener;

using zeph::platform::FormatArg;
using zeph::platform::kFormatWidthLimit;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    // Little-endian; missing bytes read as zero.
    std::uint64_t bits(std::size_t bytes) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            value |= std::uint64_t{byte()} << (8 * i);
        }
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A fixed text field of a record, as the unit fills it: not necessarily terminated.
struct NarrowField {
    char text[8];
};
struct WideField {
    wchar_t text[4];
};

// Owns every argument's storage for one run; each text in a buffer of exactly its size.
struct Arguments {
    std::vector<FormatArg> args;
    std::deque<std::unique_ptr<char[]>> narrow;
    std::deque<std::unique_ptr<wchar_t[]>> wide;       // terminated
    std::deque<std::unique_ptr<wchar_t[]>> wideViews;  // not terminated
    std::deque<std::string> strings;
    std::deque<std::unique_ptr<NarrowField>> narrowFields;
    std::deque<std::unique_ptr<WideField>> wideFields;
    std::size_t longestText = 0;  // in characters
};

FormatArg argumentOf(Arguments& out, Reader& in) {
    const std::uint8_t kind = in.byte() % 24;
    switch (kind) {
        case 0:
            return FormatArg(static_cast<std::int8_t>(in.bits(1)));
        case 1:
            return FormatArg(static_cast<std::uint8_t>(in.bits(1)));
        case 2:
            return FormatArg(static_cast<std::int16_t>(in.bits(2)));
        case 3:
            return FormatArg(static_cast<std::uint16_t>(in.bits(2)));
        case 4:
            return FormatArg(static_cast<std::int32_t>(in.bits(4)));
        case 5:
            return FormatArg(static_cast<std::uint32_t>(in.bits(4)));
        case 6:
            return FormatArg(static_cast<std::int64_t>(in.bits(8)));
        case 7:
            return FormatArg(static_cast<std::uint64_t>(in.bits(8)));
        case 8:
            return FormatArg((in.byte() & 1) != 0);
        case 9:
            return FormatArg(std::bit_cast<double>(in.bits(8)));
        case 10:
            return FormatArg(std::bit_cast<float>(static_cast<std::uint32_t>(in.bits(4))));
        case 11:
            return FormatArg(static_cast<wchar_t>(in.bits(4)));
        case 12: {
            // A C string of raw wide characters, terminated after its length.
            const std::size_t length = in.byte();
            auto text = std::make_unique<wchar_t[]>(length + 1);
            for (std::size_t i = 0; i < length; ++i) {
                text[i] = static_cast<wchar_t>(in.bits(4));
            }
            out.longestText = std::max(out.longestText, length);
            return FormatArg(static_cast<const wchar_t*>(out.wide.emplace_back(std::move(text)).get()));
        }
        case 13: {
            // A C string of raw bytes (invalid UTF-8 among them), terminated after its length.
            const std::size_t length = in.byte();
            auto text = std::make_unique<char[]>(length + 1);
            for (std::size_t i = 0; i < length; ++i) {
                text[i] = static_cast<char>(in.byte());
            }
            out.longestText = std::max(out.longestText, length);
            return FormatArg(static_cast<const char*>(out.narrow.emplace_back(std::move(text)).get()));
        }
        case 14: {
            // A std::string viewed as a whole, zero bytes and all.
            const std::size_t length = in.byte();
            std::string text;
            for (std::size_t i = 0; i < length; ++i) {
                text += static_cast<char>(in.byte());
            }
            out.longestText = std::max(out.longestText, length);
            return FormatArg(std::string_view(out.strings.emplace_back(std::move(text))));
        }
        case 15: {
            // A wide view of exactly its length, without a terminator.
            const std::size_t length = in.byte();
            auto text = std::make_unique<wchar_t[]>(std::max<std::size_t>(length, 1));
            for (std::size_t i = 0; i < length; ++i) {
                text[i] = static_cast<wchar_t>(in.bits(4));
            }
            out.longestText = std::max(out.longestText, length);
            return FormatArg(std::wstring_view(out.wideViews.emplace_back(std::move(text)).get(), length));
        }
        case 16: {
            auto field = std::make_unique<NarrowField>();
            for (char& c : field->text) {
                c = static_cast<char>(in.byte());
            }
            out.longestText = std::max(out.longestText, sizeof field->text);
            return FormatArg(out.narrowFields.emplace_back(std::move(field))->text);
        }
        case 17: {
            auto field = std::make_unique<WideField>();
            for (wchar_t& c : field->text) {
                c = static_cast<wchar_t>(in.bits(4));
            }
            out.longestText = std::max(out.longestText, std::size(field->text));
            return FormatArg(out.wideFields.emplace_back(std::move(field))->text);
        }
        case 18:
            return FormatArg(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(in.bits(8))));
        case 19:
            return FormatArg(nullptr);
        case 20:
            return FormatArg(static_cast<const char*>(nullptr));
        case 21:
            return FormatArg(static_cast<const wchar_t*>(nullptr));
        case 22:
            return FormatArg(static_cast<char>(in.byte()));
        default:
            return FormatArg(static_cast<long double>(std::bit_cast<double>(in.bits(8))));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto& beacon = logWithListener();
    if (size < 2) {
        return 0;
    }
    const std::size_t formatBytes = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    data += 2;
    size -= 2;

    std::vector<wchar_t> characters;
    Reader format(data, formatBytes);
    while (!format.done()) {
        const std::uint8_t byte = format.byte();
        characters.push_back(byte == 0xFF ? static_cast<wchar_t>(format.bits(4))
                                          : static_cast<wchar_t>(byte));
    }
    // The format in a buffer of exactly its size, and a terminated copy for the log's C string.
    const auto exact = std::make_unique<wchar_t[]>(std::max<std::size_t>(characters.size(), 1));
    std::copy(characters.begin(), characters.end(), exact.get());
    const std::wstring_view formatText(exact.get(), characters.size());
    const std::wstring terminated(formatText);

    Arguments arguments;
    Reader in(data + formatBytes, size - formatBytes);
    while (!in.done() && arguments.args.size() < 16) {
        arguments.args.push_back(argumentOf(arguments, in));
    }

    const std::wstring out = zeph::platform::formatArgs(formatText, arguments.args);

    if (formatText.find(L'\0') == std::wstring_view::npos) {
        require(out.find(L'\0') == std::wstring::npos);
    }
    // Each conversion renders at most a capped width, or its body: a capped precision, a text, a
    // number of a few hundred digits, or a marker that repeats the conversion as written.
    const auto conversions = static_cast<std::size_t>(std::count(formatText.begin(), formatText.end(), L'%'));
    const std::size_t perConversion =
        2 * static_cast<std::size_t>(kFormatWidthLimit) + arguments.longestText + 512;
    require(out.size() <= 2 * formatText.size() + conversions * perConversion);

    // The log's own path: a C-string format and a typed argument list, as the device layers pass.
    if (arguments.args.empty()) {
        zeph::windows::logging::LogBeacon::log("format_fuzz", zeph::windows::logging::Error,
                                               terminated.c_str());
    } else if (!arguments.strings.empty() && !arguments.wide.empty()) {
        zeph::windows::logging::LogBeacon::log(
            "format_fuzz", zeph::windows::logging::Error, terminated.c_str(), arguments.strings.front(),
            arguments.wide.front().get(), size, static_cast<int>(formatBytes), 1.5);
    }
    beacon.flush();
    return 0;
}
