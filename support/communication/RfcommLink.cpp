#include "support/communication/RfcommLink.h"

#include "support/communication/TtyControl.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <regex>

namespace zeph::windows::communication {

namespace fs = std::filesystem;
using platform::DWORD;

namespace {

// The kernel tells of carrier on no descriptor a wait could watch: it is asked again at this pace.
constexpr DWORD kAskEveryMs = 50;
// Links of links are followed this far, no further (a loop of links ends here too).
constexpr int kMostLinks = 16;

bool isRfcommName(const fs::path& path) {
    static const std::regex name("rfcomm[0-9]+");
    return std::regex_match(path.filename().string(), name);
}

}  // namespace

LinkAnswer kernelLinkAnswer(int fd) {
    pollfd line{fd, 0, 0};  // hang-up and error are reported whatever is asked for
    if (::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return LinkAnswer::Refused;
    }
    bool raised = false;
    if (const DWORD error = tty::carrier(fd, raised); error != 0) {
        // A tty without modem lines (a pseudo-terminal bound in the link's place) cannot tell:
        // its open is all there is. Any other failure: the tty no longer answers, its link is gone.
        return error == platform::ERROR_INVALID_FUNCTION ? LinkAnswer::Up : LinkAnswer::Refused;
    }
    return raised ? LinkAnswer::Up : LinkAnswer::Pending;
}

bool leadsToRfcomm(const fs::path& path) {
    fs::path step = path;
    for (int links = 0; links < kMostLinks; ++links) {
        if (isRfcommName(step)) {
            return true;
        }
        std::error_code error;
        if (!fs::is_symlink(step, error)) {
            return false;
        }
        const fs::path target = fs::read_symlink(step, error);
        if (error) {
            return false;
        }
        step = target.is_absolute() ? target : step.parent_path() / target;
    }
    return false;
}

DWORD waitForLink(const LinkProbe& probe, int fd, std::span<const platform::Handle> stops, DWORD timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        switch (probe(fd)) {
            case LinkAnswer::Up:
                return 0;
            case LinkAnswer::Refused:
                return platform::ERROR_CONNECTION_REFUSED;
            case LinkAnswer::Pending:
                break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return platform::ERROR_TIMEOUT;
        }
        const DWORD pause = std::min<DWORD>(kAskEveryMs, static_cast<DWORD>(left));
        const DWORD woken = platform::waitForMultipleObjects(stops, false, pause);
        if (woken == platform::WAIT_FAILED) {
            return platform::getLastError();
        }
        if (woken != platform::WAIT_TIMEOUT) {
            return platform::ERROR_CANCELLED;
        }
    }
}

}  // namespace zeph::windows::communication
