#include "support/logging/LogEntry.h"

#include "support/platform/TextConversion.h"

#include <algorithm>

namespace zeph::windows::logging {

LogEntry::LogEntry(const LogVerbosity& verbosity, const platform::SYSTEMTIME& time, std::string_view context,
                   std::wstring_view message)
    : verbosity_(&verbosity), value_(verbosity.value()), time_(time), contextLength_(context.size()) {
    // Nearly every message is ASCII: its characters are its bytes, with no second buffer.
    if (std::all_of(message.begin(), message.end(), [](wchar_t c) { return c >= 0 && c < 0x80; })) {
        text_.resize(context.size() + message.size());
        std::copy(context.begin(), context.end(), text_.begin());
        std::transform(message.begin(), message.end(),
                       text_.begin() + static_cast<std::ptrdiff_t>(context.size()),
                       [](wchar_t c) { return static_cast<char>(c); });
    } else {
        text_.reserve(context.size() + message.size());
        text_.append(context).append(platform::narrow(message));
    }
}

}  // namespace zeph::windows::logging
