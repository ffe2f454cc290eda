#pragma once

#include "controlroom/LinkSettings.h"
#include "controlroom/LinkStatus.h"
#include "controlroom/UnitStatus.h"

#include <memory>
#include <thread>

namespace quorvex::link {

struct PublisherShared;

// The control-room link: publishes the journal's rows to the broker on a thread of its own, in
// order, marking each delivered once the broker acknowledged it, and keeps the unit's status
// retained there. Callers never wait on the network. Every operation may be called from any thread.
class Publisher {
public:
    // Takes over from a predecessor (the same client id, say), which is stopped first on the new
    // thread: the caller never waits, and the two never run side by side.
    explicit Publisher(LinkSettings settings, std::unique_ptr<Publisher> predecessor = nullptr);
    // Says goodbye to the broker (status "offline") within a second or two; a thread held up by
    // the network is left behind rather than holding up the exit.
    ~Publisher();
    Publisher(const Publisher&) = delete;
    Publisher& operator=(const Publisher&) = delete;

    void setUnit(UnitStatus unit);
    LinkStatus status() const;

private:
    std::shared_ptr<PublisherShared> shared_;
    std::thread thread_;
};

}  // namespace quorvex::link
