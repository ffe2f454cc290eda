#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/KernelObject.h"

#include <filesystem>
#include <functional>
#include <span>

namespace zeph::windows::communication {

// What the kernel says of an rfcomm tty's Bluetooth link at one moment.
enum class LinkAnswer { Pending, Up, Refused };

// Asks about the link of an open rfcomm tty. Tests play the kernel's answers with one of their own.
using LinkProbe = std::function<LinkAnswer(int fd)>;

// The longest an rfcomm tty is given to make its link: the radio's page time-out (5 s) and the
// RFCOMM set-up after it, with room to spare.
inline constexpr platform::DWORD kLinkTimeoutMs = 10000;

// The kernel's answer: a hung-up tty (the connection failed or dropped) is refused; carrier
// (TIOCM_CD, the unit's "data valid" once its serial channel is open) is up; else it is pending.
// A tty that has no modem lines at all is up once open.
LinkAnswer kernelLinkAnswer(int fd);

// Whether the device path leads, itself or through its symlinks, to an rfcomm tty ("rfcomm<n>").
// Opening such a tty only starts the connection; the link is up only when the unit answered.
bool leadsToRfcomm(const std::filesystem::path& path);

// Waits until the link of the rfcomm tty open on fd is up: 0; ERROR_CONNECTION_REFUSED when the
// kernel gave up on it; ERROR_TIMEOUT when it is not up within the time; ERROR_CANCELLED as soon
// as one of the stop objects (at least one) is signalled.
platform::DWORD waitForLink(const LinkProbe& probe, int fd, std::span<const platform::Handle> stops,
                            platform::DWORD timeoutMs);

}  // namespace zeph::windows::communication
