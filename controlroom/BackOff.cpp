#include "controlroom/BackOff.h"

#include <algorithm>

namespace quorvex::link {

BackOff::BackOff(std::chrono::milliseconds first, std::chrono::milliseconds last)
    : first_(first), last_(last), current_(first), random_(std::random_device{}()) {}

std::chrono::milliseconds BackOff::next() {
    const auto full = current_;
    current_ = std::min(current_ * 2, last_);
    std::uniform_int_distribution<std::chrono::milliseconds::rep> share(full.count() * 4 / 5, full.count());
    return std::chrono::milliseconds(share(random_));
}

}  // namespace quorvex::link
