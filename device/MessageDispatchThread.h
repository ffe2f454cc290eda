#pragma once

#include "device/IMessageDispatch.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/Event.h"
#include "support/platform/Mutex.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// Decouples the serial read thread from the decoding of events: the read thread appends each
// accepted payload and returns to the port at once; this thread hands the payloads, in arrival
// order and each exactly once, to the stack's IMessageDispatch. Each wake takes every payload
// queued by then and ends with a short pause, so the queue stays bounded at the line's full rate
// while the thread never spins.
class MessageDispatchThread final : public zeph::windows::system::threading::IBasicThreadAdapter {
public:
    MessageDispatchThread() = default;
    MessageDispatchThread(const MessageDispatchThread&) = delete;
    MessageDispatchThread& operator=(const MessageDispatchThread&) = delete;

    // The creator's parameter is the IMessageDispatch to feed; it must not be null.
    bool initThread(const zeph::windows::system::threading::ThreadContext& context) override;
    void exitThread() override;
    void notifyShutdown() override;
    int run() override;

    // On the serial read thread: copies the payload and queues it. False when the queue could not
    // be locked (the stack is shutting down); the payload is then dropped.
    bool appendMessageToQueue(const std::uint8_t* bytes, std::size_t size);

    // Payloads queued and not yet taken by this thread; safe from any thread.
    std::size_t queueDepth() const;
    // Whether the message-waiting event is signalled; safe from any thread.
    bool messageWaiting() const;

    // The pause after each wake's batch (10 ms unless changed); tests lengthen it to catch the
    // thread inside it.
    void setPause(zeph::platform::DWORD milliseconds);

private:
    bool discardQueued();
    zeph::platform::DWORD wait();
    zeph::platform::DWORD doWork();
    zeph::platform::DWORD lockQueue();

    zeph::windows::system::threading::IThread* thread_ = nullptr;
    IMessageDispatch* target_ = nullptr;
    std::shared_ptr<zeph::platform::Event> terminate_;  //!< "_terminate": ends the loop and any wait
    std::shared_ptr<zeph::platform::Mutex> queueLock_;  //!< "_message_queue_lock": guards queue_
    //! "_message_waiting_indicator": signalled while queue_ holds payloads
    std::shared_ptr<zeph::platform::Event> messageWaiting_;
    std::deque<std::vector<std::uint8_t>> queue_;
    std::atomic<zeph::platform::DWORD> pauseMs_{10};
};
