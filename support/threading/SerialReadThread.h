#pragma once

#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"
#include "support/threading/SerialThreadParams.h"

namespace zeph::windows::system::threading {

// Waits for port events, drains the port into its receive buffer and hands the buffer to the
// frame layer, which says how much of it formed frames; the rest waits for the next read.
class SerialReadThread final : public IBasicThreadAdapter {
public:
    SerialReadThread() = default;
    SerialReadThread(const SerialReadThread&) = delete;
    SerialReadThread& operator=(const SerialReadThread&) = delete;

    // The creator's parameter is a SerialThreadParams with a read callback.
    bool initThread(const ThreadContext& context) override;
    void exitThread() override;
    void notifyShutdown() override;
    int run() override;

private:
    void processData();

    IThread* thread_ = nullptr;
    communication::Serial* port_ = nullptr;
    EventHandle terminate_;               //!< "_terminate": ends the port wait and the loop
    std::vector<std::uint8_t> received_;  // unconsumed bytes between reads
    ReadCallback read_;
    SecondReadCallback secondRead_;
};

}  // namespace zeph::windows::system::threading
