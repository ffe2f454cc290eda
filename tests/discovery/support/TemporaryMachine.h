#pragma once

#include "discovery/DiscoveryEnvironment.h"
#include "support/communication/PortDirectory.h"
#include "tests/helpers/TestData.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

namespace quorvex::test {

// The system places discovery reads, in a temporary folder: a sysfs tree with radios and bound
// RFCOMM ttys, a /dev with the rfcommN nodes (links to pseudo-terminals) and the COM port
// directory.
class TemporaryMachine {
public:
    TemporaryMachine();

    zeph::windows::discovery::DiscoveryEnvironment environment(const std::string& busAddress = {},
                                                               int busTimeoutMs = 5000) const;
    const zeph::windows::communication::PortDirectory& ports() const { return ports_; }
    std::filesystem::path devRoot() const { return folder_.path() / "dev"; }

    void addRadio(const std::string& name);
    void removeRadio(const std::string& name);
    // rfcommN bound to the BlueZ address, its node leading to the tty.
    std::filesystem::path bindRfcomm(int number, const std::string& bluezAddress, const std::string& tty);
    void releaseRfcomm(int number);
    // What the kernel says of every rfcomm link from now on (up unless told otherwise): there is
    // no Bluetooth here, so the machine plays it.
    void answerLink(zeph::windows::communication::LinkAnswer answer) { link_->store(answer); }
    // A COM port for the tty; its number.
    int addSerialPort(const std::string& tty);

private:
    TemporaryFolder folder_;
    zeph::windows::communication::PortDirectory ports_;
    std::shared_ptr<std::atomic<zeph::windows::communication::LinkAnswer>> link_ =
        std::make_shared<std::atomic<zeph::windows::communication::LinkAnswer>>(
            zeph::windows::communication::LinkAnswer::Up);
};

}  // namespace quorvex::test
