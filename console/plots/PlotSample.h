#pragma once

#include "device/EventRecords.h"

#include <cstdint>

namespace quorvex::console {

// A ring slot: a whole streaming sample. An empty slot holds code 0, -1 in every axis, extra and
// level field, zero flags and zero trailers, which is exactly a default StreamingSample.
using PlotSample = StreamingSample;

inline constexpr std::int32_t NoValue = -1;

}  // namespace quorvex::console
