#include "simulator/UnitSimulator.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace quorvex::simulator {

namespace {

using zeph::platform::DWORD;

// A line that never ends is cut here so a console sending noise cannot grow the buffer forever.
constexpr std::size_t MaxLineLength = 4096;

void signal(int fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

void drain(int fd) {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t got = ::read(fd, &value, sizeof value);
}

std::optional<LinkReply> replyOf(const Bytes& line) {
    if (line.size() != 2 || line[1] != 0x0A) {
        return std::nullopt;
    }
    switch (line[0]) {
        case 0x06:
            return LinkReply::Acknowledge;
        case 0x15:
            return LinkReply::NegativeAck;
        case 0x07:
            return LinkReply::PollAck;
        default:
            return std::nullopt;
    }
}

}  // namespace

UnitSimulator::UnitSimulator(UnitProfile profile)
    : profile_(std::move(profile)),
      minor_(firmwareMinor(profile_.firmware)),
      wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      endedFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      link_(profile_.retryLimit, profile_.replyTimeout),
      gain_(profile_.gain),
      clipping_(profile_.clipping),
      batteryRaw_(profile_.batteryRaw),
      gps_(profile_.gps),
      fieldSignals_(profile_.fieldSignals) {
    if (profile_.autoRecord) {
        record_.autoTrigger = true;
        record_.recordingState = 1;
    }
    publish();
}

UnitSimulator::~UnitSimulator() {
    stop();
    ::close(wakeFd_);
    ::close(endedFd_);
}

DWORD UnitSimulator::openPseudoTerminal() {
    return thread_.joinable() ? zeph::platform::ERROR_ALREADY_INITIALIZED : port_.openPseudoTerminal();
}

DWORD UnitSimulator::openDevice(const std::string& path) {
    return thread_.joinable() ? zeph::platform::ERROR_ALREADY_INITIALIZED : port_.openDevice(path);
}

DWORD UnitSimulator::registerComPort(const zeph::windows::communication::PortDirectory& directory,
                                     int& number) const {
    // Only the name: the line itself belongs to the unit's thread once it runs.
    if (port_.name().empty()) {
        return zeph::platform::ERROR_INVALID_HANDLE;
    }
    return directory.addLink(port_.name(), number);
}

DWORD UnitSimulator::start() {
    if (!port_.isOpen() || wakeFd_ < 0 || endedFd_ < 0) {
        return zeph::platform::ERROR_INVALID_HANDLE;
    }
    if (thread_.joinable()) {
        return zeph::platform::ERROR_ALREADY_INITIALIZED;
    }
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    startDemoTimers();
    return zeph::platform::ERROR_SUCCESS;
}

void UnitSimulator::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        signal(wakeFd_);
        thread_.join();
    }
}

void UnitSimulator::post(std::function<void()> action) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(action));
    }
    signal(wakeFd_);
}

void UnitSimulator::after(std::chrono::milliseconds delay, std::function<void()> action) {
    timers_.emplace(Clock::now() + delay, std::move(action));
}

void UnitSimulator::schedule(std::chrono::milliseconds delay, std::chrono::milliseconds period,
                             std::function<void()> action) {
    post([this, delay, period, action = std::move(action)]() mutable {
        if (period.count() <= 0) {
            after(delay, std::move(action));
            return;
        }
        repeatEvery(delay, period, std::make_shared<std::function<void()>>(std::move(action)));
    });
}

void UnitSimulator::repeatEvery(std::chrono::milliseconds delay, std::chrono::milliseconds period,
                                std::shared_ptr<std::function<void()>> action) {
    // Each run puts the next one on the timer list; the list holds the only reference.
    after(delay, [this, period, action] {
        (*action)();
        repeatEvery(period, period, action);
    });
}

void UnitSimulator::run() {
    while (!stopping_ && port_.isOpen()) {
        Clock::time_point now = Clock::now();
        pumpLink(now);
        publish();
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextWake(now) - now);
        pollfd fds[2] = {
            {wakeFd_, POLLIN, 0},
            {port_.descriptor(), static_cast<short>(POLLIN | (port_.wantsToWrite(now) ? POLLOUT : 0)), 0}};
        const int ready =
            ::poll(fds, 2, static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, 3600000)));
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            drain(wakeFd_);
        }
        runPosted();
        now = Clock::now();
        if (ready > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && port_.isOpen()) {
            readLine(now);
        }
        if (auto outcome = link_.onTime(now)) {
            ++counters_.framesUnanswered;
            onGivenUp(outcome->frame);
        }
        runTimers(now);
    }
    ended_ = !stopping_;
    publish();
    if (ended_) {
        signal(endedFd_);
    }
}

void UnitSimulator::runPosted() {
    std::deque<std::function<void()>> actions;
    {
        std::lock_guard lock(postedMutex_);
        actions.swap(posted_);
    }
    for (auto& action : actions) {
        action();
    }
}

Clock::time_point UnitSimulator::nextWake(Clock::time_point now) const {
    Clock::time_point next = now + std::chrono::hours(1);
    const auto earlier = [&next](std::optional<Clock::time_point> when) {
        if (when && *when < next) {
            next = *when;
        }
    };
    if (!timers_.empty()) {
        earlier(timers_.begin()->first);
    }
    earlier(link_.replyDeadline());
    earlier(port_.nextWriteTime(now));
    earlier(faults_.silenceEnd(now));
    return next;
}

void UnitSimulator::runTimers(Clock::time_point now) {
    while (!timers_.empty() && timers_.begin()->first <= now && port_.isOpen()) {
        auto action = std::move(timers_.begin()->second);
        timers_.erase(timers_.begin());
        action();
    }
}

void UnitSimulator::pumpLink(Clock::time_point now) {
    if (!port_.isOpen()) {
        return;
    }
    if (!faults_.silent(now)) {
        while (const OutgoingFrame* frame = link_.nextTransmission()) {
            auto transmission = faults_.encode(frame->payload, static_cast<std::size_t>(profile_.wakeBytes));
            port_.queue(std::move(transmission.bytes), transmission.pausePerByte);
            ++counters_.transmissions;
        }
    }
    if (port_.wantsToWrite(now) && !port_.flush(now)) {
        port_.close();
        return;
    }
    if (!port_.hasOutput()) {
        link_.transmitted(now);
    }
}

void UnitSimulator::readLine(Clock::time_point now) {
    if (!port_.read(input_)) {
        port_.close();
        return;
    }
    auto begin = input_.begin();
    for (;;) {
        auto end = std::find(begin, input_.end(), std::uint8_t{0x0A});
        if (end == input_.end()) {
            if (static_cast<std::size_t>(input_.end() - begin) < MaxLineLength) {
                break;
            }
            end = begin + static_cast<std::ptrdiff_t>(MaxLineLength - 1);
        }
        handleLine(Bytes(begin, end + 1), now);
        begin = end + 1;
    }
    input_.erase(input_.begin(), begin);
}

void UnitSimulator::handleLine(const Bytes& line, Clock::time_point now) {
    ++counters_.linesReceived;
    {
        std::lock_guard lock(observedMutex_);
        lines_.push_back(line);
        if (lines_.size() > MaxLines) {
            lines_.pop_front();
        }
        if (polling_ && !replyOf(line)) {
            pollingLines_.push_back(line);
        }
    }
    if (const auto reply = replyOf(line)) {
        handleReply(*reply);
    } else if (faults_.silent(now)) {
        // A silent unit hears nothing.
    } else if (polling_) {
        // Busy reading the battery: the command is carried out once the reading is done.
        deferred_.push_back(line);
    } else {
        handleCommand(std::string_view(reinterpret_cast<const char*>(line.data()), line.size()));
    }
}

void UnitSimulator::handleCommand(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    // A unit no console has initialised waits for REQINIT and ignores everything else.
    if (initialised_ || text == "REQINIT") {
        handleUnitCommand(text);
    }
}

void UnitSimulator::handleReply(LinkReply reply) {
    if (reply == LinkReply::NegativeAck) {
        ++counters_.naks;
    }
    auto outcome = link_.onReply(reply);
    switch (outcome.kind) {
        case LinkSender::Outcome::Stray:
            ++counters_.strayReplies;
            break;
        case LinkSender::Outcome::Resend:
            ++counters_.resends;
            break;
        case LinkSender::Outcome::Accepted:
            ++counters_.framesAccepted;
            onAccepted(outcome.frame, reply);
            break;
        case LinkSender::Outcome::Abandoned:
        case LinkSender::Outcome::Unanswered:
            ++counters_.framesAbandoned;
            onGivenUp(outcome.frame);
            break;
    }
}

void UnitSimulator::publish() {
    std::lock_guard lock(observedMutex_);
    status_ = counters_;
    status_.open = port_.isOpen();
    status_.ended = ended_;
    status_.initialised = initialised_;
    status_.streaming = streaming_;
    status_.polling = polling_;
    status_.silent = faults_.silent(Clock::now());
    status_.gain = gain_;
    status_.clipping = clipping_;
    status_.channelCode = channelCode_;
    status_.autoSelect = autoSelect_;
    status_.record = record_;
    observed_.notify_all();
}

UnitStatus UnitSimulator::status() const {
    std::lock_guard lock(observedMutex_);
    return status_;
}

std::vector<Bytes> UnitSimulator::receivedLines() const {
    std::lock_guard lock(observedMutex_);
    return {lines_.begin(), lines_.end()};
}

std::vector<Bytes> UnitSimulator::linesDuringPolling() const {
    std::lock_guard lock(observedMutex_);
    return pollingLines_;
}

bool UnitSimulator::waitUntil(const std::function<bool(const UnitStatus&)>& condition,
                              std::chrono::milliseconds timeout) const {
    std::unique_lock lock(observedMutex_);
    return observed_.wait_for(lock, timeout, [&] { return condition(status_); });
}

bool UnitSimulator::waitForLine(std::string_view text, std::chrono::milliseconds timeout,
                                std::size_t times) const {
    Bytes wanted(text.begin(), text.end());
    wanted.push_back(0x0A);
    std::unique_lock lock(observedMutex_);
    return observed_.wait_for(lock, timeout, [&] {
        return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), wanted)) >= times;
    });
}

}  // namespace quorvex::simulator
