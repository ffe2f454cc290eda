#pragma once

#include "console/plots/PlotSample.h"
#include "console/plots/PlotScale.h"

#include <cstddef>
#include <vector>

namespace quorvex::console {

// The fixed-size history of a plot: the newest `capacity` samples. Memory is taken by reset only;
// adding a sample copies its 68 bytes into the oldest slot.
class SampleRing {
public:
    // Empties the ring with room for the sizing's samples.
    void reset(const RingSizing& sizing);
    void add(const PlotSample& sample);

    std::size_t capacity() const { return slots_.size(); }
    std::size_t writeIndex() const { return writeIndex_; }
    // The pixels left over at the plot's left.
    int margin() const { return margin_; }
    // The k-th newest slot (k = 0 for the newest); k below capacity().
    const PlotSample& newest(std::size_t k) const;

private:
    std::vector<PlotSample> slots_;
    std::size_t writeIndex_ = 0;
    int margin_ = 0;
};

}  // namespace quorvex::console
