#include "console/plots/PlotContext.h"

#include "device/DeviceState.h"

namespace quorvex::console {

PlotContext plotContextOf(const DeviceState* state) {
    if (state == nullptr) {
        return {};
    }
    const ChannelRecord* channel = state->activeChannel();
    return {state->connectionState() == ConnectionState::Connected, state->firmware()[0], state->gain(),
            channel != nullptr ? channel->kind : nullptr};
}

}  // namespace quorvex::console
