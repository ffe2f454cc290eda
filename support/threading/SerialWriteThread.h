#pragma once

#include "support/platform/Mutex.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"
#include "support/threading/SerialThreadParams.h"

#include <deque>

namespace zeph::windows::system::threading {

// Owns the outbound queue: callers append byte strings from any thread; the thread writes one
// item at a time and takes the next only once the write-complete callback has returned (it may
// wait there for the unit's response).
class SerialWriteThread final : public IBasicThreadAdapter {
public:
    SerialWriteThread() = default;
    SerialWriteThread(const SerialWriteThread&) = delete;
    SerialWriteThread& operator=(const SerialWriteThread&) = delete;

    // The creator's parameter is a SerialThreadParams.
    bool initThread(const ThreadContext& context) override;
    void exitThread() override;
    void notifyShutdown() override;
    int run() override;

    // As many items as the queue holds: a caller faster than the line must not grow it unbounded.
    static constexpr std::size_t QueueLimit = 10000;

    // From any thread: queues a copy of the bytes with its tag. False once the thread has been
    // told to shut down, or (last error ERROR_NOT_ENOUGH_QUOTA) while QueueLimit items wait;
    // nothing is queued then.
    bool queueData(const std::uint8_t* bytes, DWORD length, DWORD tag);

private:
    struct Item {
        std::vector<std::uint8_t> bytes;
        DWORD tag = 0;
    };

    DWORD lockQueue();
    DWORD checkQueue();
    DWORD processQueue();

    IThread* thread_ = nullptr;
    communication::Serial* port_ = nullptr;
    // Made once with the worker and never replaced: callers on other threads use them at any time.
    const EventHandle terminate_ = platform::Event::create(true, false);  //!< "_terminate": shutdown wins
    //! "message queue mutex": guards queue_ and dataAvailable_
    const std::shared_ptr<platform::Mutex> queueMutex_ =
        platform::Mutex::create(false, L"message queue mutex");
    const EventHandle dataAvailable_ =
        platform::Event::create(true, false);  //!< set while queue_ holds items
    std::deque<Item> queue_;
    FormatCallback format_;
    WriteCompleteCallback writeComplete_;
};

}  // namespace zeph::windows::system::threading
