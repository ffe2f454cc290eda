#pragma once

#include "support/logging/ILogFilter.h"
#include "support/logging/LogVerbosity.h"

#include <atomic>
#include <cstdint>

namespace zeph::windows::logging {

// The verbosity mask of the sink class L (which derives from LogListener first and from this
// second). Every level passes until the mask is changed.
template <typename L>
class TLogFilter : public ILogFilter {
public:
    static constexpr std::uint16_t kAllLevels = 0xFFFF;

    std::uint16_t getFilter() const override { return mask_.load(std::memory_order_relaxed); }
    void setFilter(std::uint16_t mask) override { mask_.store(mask, std::memory_order_relaxed); }
    std::uint16_t resetFilter() override {
        setFilter(kAllLevels);
        return kAllLevels;
    }

    // Whether the sink takes an entry of that level.
    bool passes(const LogVerbosity& verbosity) const { return (verbosity.value() & getFilter()) != 0; }

private:
    // Set by the filter dialog, read by the sink's write: a plain value, made atomic so that
    // neither side needs a lock.
    std::atomic<std::uint16_t> mask_{kAllLevels};
};

}  // namespace zeph::windows::logging
