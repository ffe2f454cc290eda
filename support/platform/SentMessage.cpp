#include "support/platform/SentMessage.h"

#include "support/platform/MessageRegistry.h"
#include "support/platform/ThreadMessageQueue.h"

namespace zeph::platform {

void SentMessage::complete(LRESULT value) {
    result = value;
    done.store(true, std::memory_order_release);
    replyQueue->wake();
}

void SentMessage::cancel() {
    cancelled = true;
    complete(0);
}

std::size_t deliverSentMessages(ThreadMessageQueue& queue) {
    std::size_t handled = 0;
    while (auto sent = queue.takeSent()) {
        auto procedure = MessageRegistry::instance().procedure(sent->window);
        if (!procedure) {
            sent->cancel();
            continue;
        }
        try {
            sent->complete((*procedure)(sent->window, sent->message, sent->wParam, sent->lParam));
        } catch (...) {
            // A sender must never wait for an answer that will not come.
            sent->cancel();
            throw;
        }
        ++handled;
    }
    return handled;
}

}  // namespace zeph::platform
