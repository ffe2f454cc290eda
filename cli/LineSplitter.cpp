#include "cli/LineSplitter.h"

#include <utility>

namespace quorvex::cli {

LineSplitter::LineSplitter(std::function<void(const std::string&)> line,
                           std::function<void(std::string_view)> tooLong)
    : line_(std::move(line)), tooLong_(std::move(tooLong)) {}

void LineSplitter::feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        if (!skipping_) {
            if (pending_.size() + part.size() > MaxLineLength) {
                skipping_ = true;
                tooLong_((pending_ + std::string(part)).substr(0, 40));
                pending_.clear();
            } else {
                pending_.append(part);
            }
        }
        if (end == std::string_view::npos) {
            return;
        }
        if (!skipping_) {
            deliverPending();
        }
        skipping_ = false;
        bytes.remove_prefix(end + 1);
    }
}

void LineSplitter::finish() {
    if (!skipping_ && !pending_.empty()) {
        deliverPending();
    }
    skipping_ = false;
}

void LineSplitter::deliverPending() {
    const std::string line = std::move(pending_);
    pending_.clear();
    line_(line);
}

}  // namespace quorvex::cli
