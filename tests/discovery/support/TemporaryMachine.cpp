#include "tests/discovery/support/TemporaryMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace quorvex::test {

namespace fs = std::filesystem;

TemporaryMachine::TemporaryMachine() : ports_(folder_.path() / "ports") {
    fs::create_directories(folder_.path() / "sys" / "class" / "tty");
    fs::create_directories(folder_.path() / "sys" / "class" / "bluetooth");
    fs::create_directories(devRoot());
    fs::create_directories(ports_.folder());
}

zeph::windows::discovery::DiscoveryEnvironment TemporaryMachine::environment(const std::string& busAddress,
                                                                             int busTimeoutMs) const {
    zeph::windows::discovery::DiscoveryEnvironment environment;
    environment.sysRoot = folder_.path() / "sys";
    environment.devRoot = devRoot();
    environment.portFolder = ports_.folder();
    environment.busAddress = busAddress;
    environment.busTimeoutMs = busTimeoutMs;
    environment.linkProbe = [link = link_](int) { return link->load(); };
    return environment;
}

void TemporaryMachine::addRadio(const std::string& name) {
    fs::create_directories(folder_.path() / "sys" / "class" / "bluetooth" / name);
}

void TemporaryMachine::removeRadio(const std::string& name) {
    fs::remove_all(folder_.path() / "sys" / "class" / "bluetooth" / name);
}

fs::path TemporaryMachine::bindRfcomm(int number, const std::string& bluezAddress, const std::string& tty) {
    const std::string name = "rfcomm" + std::to_string(number);
    const fs::path sysfs = folder_.path() / "sys" / "class" / "tty" / name;
    fs::create_directories(sysfs);
    // The kernel prints the address in lower case.
    std::string lower = bluezAddress;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    std::ofstream(sysfs / "address") << lower << '\n';
    const fs::path node = devRoot() / name;
    fs::create_symlink(tty, node);
    return node;
}

void TemporaryMachine::releaseRfcomm(int number) {
    const std::string name = "rfcomm" + std::to_string(number);
    fs::remove_all(folder_.path() / "sys" / "class" / "tty" / name);
    fs::remove(devRoot() / name);
}

int TemporaryMachine::addSerialPort(const std::string& tty) {
    int number = 0;
    EXPECT_EQ(0u, ports_.addLink(tty, number));
    return number;
}

}  // namespace quorvex::test
