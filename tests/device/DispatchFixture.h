#pragma once

#include "device/EventRecords.h"
#include "device/QueryInterface.h"
#include "device/QuorvexMessages.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/MessageQueue.h"
#include "tests/helpers/WindowRecorder.h"
#include "tests/support/logging/RecordingListener.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::test {

// A private stack whose state the test reaches, and whose call-outs to the health check and the
// command queue are counted.
class DispatchStack : public QuorvexDeviceStack {
public:
    using QuorvexDeviceStack::deviceState_;
    using QuorvexDeviceStack::eventCounters_;
    using QuorvexDeviceStack::window_;

    void popQueue() override { ++queuePops; }
    void resetCountdown() override { ++countdownResets; }

    int queuePops = 0;
    int countdownResets = 0;
};

// Builds a payload: the little-endian event mask, then the blocks field by field.
class PayloadBuilder {
public:
    explicit PayloadBuilder(std::uint32_t mask) { u32(mask); }

    PayloadBuilder& u8(std::uint32_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    PayloadBuilder& u16(std::uint32_t value) { return u8(value).u8(value >> 8); }
    PayloadBuilder& u32(std::uint32_t value) { return u16(value).u16(value >> 16); }
    PayloadBuilder& f32(float value) { return u32(std::bit_cast<std::uint32_t>(value)); }
    // The text's bytes, padded with zero bytes to the field's size.
    PayloadBuilder& text(const std::string& text, std::size_t fieldSize) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        bytes_.resize(bytes_.size() + fieldSize - text.size());
        return *this;
    }
    PayloadBuilder& bytes(const std::vector<std::uint8_t>& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    const std::vector<std::uint8_t>& payload() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// The stack's main window on the test thread, and the log of the test thread.
class DispatchTest : public testing::Test {
protected:
    using Received = WindowRecorder::Received;

    DispatchTest() {
        window_.release = &freeRecord;
        stack_.window_ = window_.handle();
    }

    void SetUp() override {
        beacon_ = &zeph::windows::logging::LogBeacon::instance();
        beacon_->flush();
        ASSERT_EQ(0u, listener_.attach());
    }

    void TearDown() override { zeph::platform::pumpMessages(); }

    // Dispatches the payload on the test thread and returns the messages it posted.
    std::vector<Received> dispatch(const std::vector<std::uint8_t>& payload) {
        const std::size_t before = window_.received().size();
        stack_.DispatchMessage(payload.data(), payload.size());
        zeph::platform::pumpMessages();
        return {window_.received().begin() + static_cast<std::ptrdiff_t>(before), window_.received().end()};
    }

    // The log lines written at that level since the test began.
    std::vector<std::wstring> logAt(const zeph::windows::logging::LogVerbosity& level) {
        beacon_->flush();
        std::vector<std::wstring> lines;
        for (const RecordedEntry& entry : journal_) {
            if (entry.verbosity == &level) {
                lines.push_back(entry.message);
            }
        }
        return lines;
    }

    template <typename Record>
    static const Record& recordOf(const Received& message) {
        return *reinterpret_cast<const Record*>(message.lParam);
    }

    void startStreaming() {
        stack_.deviceState_.setOperatingMode(OperatingMode::Streaming);
        stack_.deviceState_.setStreamingState(StreamingState::Beginning);
    }
    void setUnit(const std::string& name, std::uint16_t firmwareWord) {
        stack_.deviceState_.setDeviceName(name);
        stack_.deviceState_.setFirmware({firmwareWord, 0});
    }

    static void freeRecord(const Received& message) { deleteEventRecord(message.message, message.lParam); }

    WindowRecorder window_;
    DispatchStack stack_;
    zeph::windows::logging::LogBeacon* beacon_ = nullptr;
    std::vector<RecordedEntry> journal_;
    RecordingListener listener_{"dispatch", journal_};
};

constexpr std::uint16_t firmwareWord(unsigned minor, unsigned major = 0) {
    return static_cast<std::uint16_t>(minor << 4 | major);
}

}  // namespace quorvex::test
