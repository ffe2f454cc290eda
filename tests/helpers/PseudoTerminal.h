#pragma once

#include "support/communication/PortDirectory.h"
#include "tests/helpers/TestData.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::test {

// A pseudo-terminal whose slave plays the serial port and whose master plays the unit at the
// far end of the line. The test keeps a slave descriptor of its own to read the line settings
// back and to see how much input the line discipline holds.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slaveName() const { return slaveName_; }
    int slave() const { return slave_; }

    // Writes everything from the far end (blocking).
    void send(std::string_view bytes) const;
    void send(const std::vector<std::uint8_t>& bytes) const;
    // Reads exactly count bytes at the far end; fewer when none come for the time-out.
    std::vector<std::uint8_t> receive(std::size_t count,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // The far end goes away: the port hangs up.
    void closeMaster();

    // Bytes the line discipline holds for the slave side (not yet read by the port).
    std::size_t inputQueued() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
};

// A temporary port directory with pseudo-terminals linked into it as COM ports.
class TemporaryPortDirectory {
public:
    TemporaryPortDirectory() : directory_(folder_.path() / "ports") {}
    const zeph::windows::communication::PortDirectory& directory() const { return directory_; }
    // Links the pty and returns its "\\.\COM<n>" path.
    std::wstring add(const PseudoTerminal& pty);

private:
    TemporaryFolder folder_;
    zeph::windows::communication::PortDirectory directory_;
};

// Re-checks the condition until it holds or the time is up; true when it held.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace quorvex::test
