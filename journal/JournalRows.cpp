#include "journal/JournalRows.h"

#include <array>
#include <utility>

namespace quorvex::journal {

namespace {

constexpr std::array<std::pair<EventKind, std::string_view>, 3> KindNames = {{
    {EventKind::Passage, "passage"},
    {EventKind::Ignored, "ignored"},
    {EventKind::Trigger, "trigger"},
}};

}  // namespace

std::string_view kindName(EventKind kind) {
    for (const auto& [each, name] : KindNames) {
        if (each == kind) {
            return name;
        }
    }
    return {};
}

std::optional<EventKind> kindNamed(std::string_view name) {
    for (const auto& [kind, each] : KindNames) {
        if (each == name) {
            return kind;
        }
    }
    return std::nullopt;
}

}  // namespace quorvex::journal
