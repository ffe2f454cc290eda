#pragma once

#include <string_view>

namespace quorvex::console {

// A command's prompt: the words of the message pane while it is highlighted and its tool-tip.
struct CommandPrompt {
    std::string_view statusTip;
    std::string_view toolTip;
};

// The prompt of a command id; empty texts for a command without one.
CommandPrompt commandPrompt(int id);

}  // namespace quorvex::console
