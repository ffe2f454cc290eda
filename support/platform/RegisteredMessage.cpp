#include "support/platform/RegisteredMessage.h"

#include "support/platform/LastError.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace zeph::platform {

namespace {

inline constexpr UINT kFirstRegisteredMessage = 0xC000;
inline constexpr UINT kLastRegisteredMessage = 0xFFFF;

// Names compare without regard to ASCII case, as Windows' atom table compares them.
std::wstring foldCase(std::wstring_view name) {
    std::wstring folded(name);
    for (auto& c : folded) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return folded;
}

struct MessageNames {
    std::mutex mutex;  // guards ids and next
    std::unordered_map<std::wstring, UINT> ids;
    UINT next = kFirstRegisteredMessage;
};

MessageNames& messageNames() {
    // Never destroyed: threads that outlive main may still register names.
    static auto* names = new MessageNames;
    return *names;
}

}  // namespace

UINT registerWindowMessage(std::wstring_view name) {
    if (name.empty()) {
        setLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& names = messageNames();
    std::lock_guard lock(names.mutex);
    auto [entry, added] = names.ids.try_emplace(foldCase(name), names.next);
    if (added) {
        if (names.next > kLastRegisteredMessage) {
            names.ids.erase(entry);
            setLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        ++names.next;
    }
    return entry->second;
}

}  // namespace zeph::platform
