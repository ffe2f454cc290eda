#pragma once

#include <QString>

#include <optional>

namespace quorvex::console {

// The quick-start guide: beside the program, else in the installed data folder; nothing when
// neither has it.
std::optional<QString> quickStartPath();

}  // namespace quorvex::console
