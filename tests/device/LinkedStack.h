#pragma once

#include "device/EventRecords.h"
#include "device/FailureNotice.h"
#include "device/QueryInterface.h"
#include "support/platform/TextConversion.h"
#include "tests/helpers/PseudoTerminal.h"
#include "tests/helpers/WindowRecorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace quorvex::test {

// A private device stack whose protected parts a test may reach.
class LinkedStack : public QuorvexDeviceStack {
public:
    using QuorvexDeviceStack::abortConnect;
    using QuorvexDeviceStack::deviceState_;
    using QuorvexDeviceStack::healthCheckThread_;
    using QuorvexDeviceStack::messageDispatchThread_;
    using QuorvexDeviceStack::onConnect;
    using QuorvexDeviceStack::onDisconnect;
    using QuorvexDeviceStack::responseEvent_;
    using QuorvexDeviceStack::serial_;
    using QuorvexDeviceStack::serialReadThread_;
    using QuorvexDeviceStack::serialWriteThread_;
    using QuorvexDeviceStack::window_;
};

// A unit on the far end of a pseudo-terminal registered as a COM port, a recording main window
// and a stack ready to connect to that port on the test thread.
class LinkTest : public testing::Test {
protected:
    LinkTest() {
        const char* previous = std::getenv("QUORVEX_PORT_DIR");
        previousPortDir_ = previous ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("QUORVEX_PORT_DIR", ports_.directory().folder().c_str(), 1);
        portPath_ = ports_.add(unit_);
        settings_.setDevicePath(portPath_);
        settings_.setPortNumber(*zeph::windows::communication::PortDirectory::portNumberOf(portPath_));
        stack_.window_ = window_.handle();
        // The window owns what the stack posts to it.
        window_.release = [](const WindowRecorder::Received& received) {
            if (received.message == WM_QUORVEX_FAILED_TO_SEND ||
                received.message == WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE) {
                delete reinterpret_cast<FailureNotice*>(received.lParam);
            } else {
                deleteEventRecord(received.message, received.lParam);
            }
        };
    }

    ~LinkTest() override {
        // Stop every worker while the stack is whole, before its layers are torn down.
        stack_.exit();
        if (previousPortDir_) {
            ::setenv("QUORVEX_PORT_DIR", previousPortDir_->c_str(), 1);
        } else {
            ::unsetenv("QUORVEX_PORT_DIR");
        }
    }

    // Connects on the test thread (as the command-and-control thread would) and expects success.
    void connect() {
        stack_.onConnect(settings_);
        const auto connected = window_.waitFor(WM_QUORVEX_ON_CONNECT);
        ASSERT_TRUE(connected.has_value());
        ASSERT_EQ(0, connected->lParam);
    }

    PseudoTerminal unit_;
    TemporaryPortDirectory ports_;
    WindowRecorder window_;
    std::wstring portPath_;
    zeph::windows::communication::SerialSettings settings_;
    LinkedStack stack_;

private:
    std::optional<std::string> previousPortDir_;
};

}  // namespace quorvex::test
