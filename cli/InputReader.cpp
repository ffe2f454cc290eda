#include "cli/InputReader.h"

#include "cli/ConsoleSession.h"
#include "cli/LineSplitter.h"
#include "cli/OperatorCommand.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageWindow.h"
#include "support/program/StopSignalSet.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace quorvex::cli {

namespace {

bool readable(const pollfd& fd) {
    return (fd.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

}  // namespace

void InputReader::sessionEnded() {
    sessionEnded_.store(true);
}

void InputReader::takeStopSignal() {
    signalfd_siginfo info{};
    [[maybe_unused]] const auto got = ::read(signalFd_, &info, sizeof info);
    // The second one ends the process at once, however much is still queued for the window; so
    // does any once the session has ended.
    if (++stopSignals_ > 1 || sessionEnded_.load()) {
        std::_Exit(static_cast<int>(SessionEnd::Interrupted));
    }
    zeph::platform::postMessage(window_, ConsoleSession::WM_CLI_INTERRUPT, 0, 0);
}

InputReader::InputReader(int input, zeph::platform::HWND window) : input_(input), window_(window) {
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    signalFd_ = quorvex::program::StopSignalSet::openDescriptor(0);
    thread_ = std::thread([this] { run(); });
}

InputReader::~InputReader() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopFd_, &one, sizeof one);
    thread_.join();
    ::close(stopFd_);
    ::close(signalFd_);
}

void InputReader::run() {
    bool stopping = false;
    LineSplitter lines(
        [&](const std::string& line) {
            if (stopping || sessionEnded_.load()) {
                return;
            }
            OperatorCommand command;
            if (parseOperatorCommand(line, command).empty() && command.kind == OperatorCommand::Kind::Wait) {
                stopping = !pause(static_cast<int>(command.wait.count()));
            } else {
                postLine(line);
            }
        },
        [](std::string_view start) {
            std::cerr << "quorvex-cli: an input line longer than " << LineSplitter::MaxLineLength
                      << " bytes is ignored: " << start << "..." << std::endl;
        });
    bool inputOpen = true;
    for (;;) {
        pollfd fds[3] = {{stopFd_, POLLIN, 0}, {signalFd_, POLLIN, 0}, {inputOpen ? input_ : -1, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (readable(fds[0])) {
            return;
        }
        if (readable(fds[1])) {
            takeStopSignal();
        }
        if (!readable(fds[2])) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = ::read(input_, buffer, sizeof buffer);
        if (got <= 0) {
            // The end of input ends the commands, not the session.
            inputOpen = false;
            lines.finish();
            if (stopping) {
                return;
            }
            continue;
        }
        lines.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
        if (stopping) {
            return;
        }
    }
}

bool InputReader::pause(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return true;
        }
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {signalFd_, POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            return false;
        }
        if (readable(fds[0])) {
            return false;
        }
        if (readable(fds[1])) {
            takeStopSignal();
        }
    }
}

void InputReader::postLine(const std::string& line) {
    auto text = std::make_unique<std::string>(line);
    // A full window queue holds the operator's lines back here (and standard input behind them)
    // instead of dropping them.
    while (!zeph::platform::postMessage(window_, ConsoleSession::WM_CLI_COMMAND, 0,
                                        reinterpret_cast<zeph::platform::LPARAM>(text.get()))) {
        if (zeph::platform::getLastError() != zeph::platform::ERROR_NOT_ENOUGH_QUOTA || !pause(10)) {
            return;
        }
    }
    text.release();  // the session frees it
}

}  // namespace quorvex::cli
