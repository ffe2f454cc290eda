#include "console/plots/SampleRing.h"

namespace quorvex::console {

void SampleRing::reset(const RingSizing& sizing) {
    slots_.assign(sizing.capacity, PlotSample{});
    writeIndex_ = 0;
    margin_ = sizing.margin;
}

void SampleRing::add(const PlotSample& sample) {
    if (slots_.empty()) {
        return;
    }
    slots_[writeIndex_] = sample;
    writeIndex_ = (writeIndex_ + 1) % slots_.size();
}

const PlotSample& SampleRing::newest(std::size_t k) const {
    const std::size_t size = slots_.size();
    return slots_[(writeIndex_ + size - 1 - k % size) % size];
}

}  // namespace quorvex::console
