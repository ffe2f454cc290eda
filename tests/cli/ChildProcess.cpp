#include "tests/cli/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace quorvex::test {

namespace {

void closeDescriptor(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& environment) {
    int in[2];
    int out[2];
    int err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    // Built before the fork: the child of a threaded process may only make async-safe calls.
    std::vector<std::string> environmentText;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (!environment.contains(text.substr(0, text.find('=')))) {
            environmentText.push_back(text);
        }
    }
    for (const auto& [name, value] : environment) {
        environmentText.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& entry : environmentText) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        // A group of its own, so that whatever it starts (a shell's pipeline) ends with it.
        ::setpgid(0, 0);
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid_, pid_);  // as the child does, whichever runs first
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    input_ = in[1];
    outputReader_ = std::thread([this, fd = out[0]] { collect(fd, true); });
    errorReader_ = std::thread([this, fd = err[0]] { collect(fd, false); });
}

ChildProcess::~ChildProcess() {
    // The whole group: a process left behind by a failed test would hold the pipes open.
    ::kill(-pid_, SIGKILL);
    waitForExit(std::chrono::seconds(10));
    closeDescriptor(input_);
    outputReader_.join();
    errorReader_.join();
}

void ChildProcess::collect(int fd, bool isOutput) {
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        std::lock_guard lock(mutex_);
        if (!isOutput) {
            error_.append(buffer, static_cast<std::size_t>(got));
        } else {
            partial_.append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end = partial_.find('\n'); end != std::string::npos; end = partial_.find('\n')) {
                lines_.push_back(partial_.substr(0, end));
                partial_.erase(0, end + 1);
            }
        }
        changed_.notify_all();
    }
    ::close(fd);
    std::lock_guard lock(mutex_);
    --openStreams_;
    changed_.notify_all();
}

void ChildProcess::sendLine(const std::string& line) {
    const std::string text = line + "\n";
    [[maybe_unused]] const auto written = ::write(input_, text.data(), text.size());
}

void ChildProcess::closeInput() {
    closeDescriptor(input_);
}

void ChildProcess::interrupt() const {
    signal(SIGINT);
}

void ChildProcess::signal(int number) const {
    ::kill(pid_, number);
}

std::optional<std::pair<std::size_t, std::string>> ChildProcess::waitForLine(
    const std::function<bool(const std::string&)>& condition, std::size_t from,
    std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    std::optional<std::pair<std::size_t, std::string>> found;
    changed_.wait_for(lock, timeout, [&] {
        for (std::size_t i = from; i < lines_.size(); ++i) {
            if (condition(lines_[i])) {
                found.emplace(i, lines_[i]);
                return true;
            }
        }
        from = lines_.size();
        return false;
    });
    return found;
}

bool ChildProcess::waitForError(const std::string& text, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return error_.find(text) != std::string::npos; });
}

std::vector<std::string> ChildProcess::outputLines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string ChildProcess::transcript() const {
    std::lock_guard lock(mutex_);
    std::string text = "last output lines:\n";
    for (std::size_t i = lines_.size() > 20 ? lines_.size() - 20 : 0; i < lines_.size(); ++i) {
        text += lines_[i].substr(0, 300) + "\n";
    }
    return text + "standard error:\n" + error_;
}

std::string ChildProcess::errorText() const {
    std::lock_guard lock(mutex_);
    return error_;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status_) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else if (std::chrono::steady_clock::now() >= deadline) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (status_ && timeout.count() > 0) {
        // The child's last words may still be in the pipes: let the readers reach their ends, so
        // what it wrote before exiting is there to read.
        std::unique_lock lock(mutex_);
        changed_.wait_until(lock,
                            std::max(deadline, std::chrono::steady_clock::now() + std::chrono::seconds(5)),
                            [this] { return openStreams_ == 0; });
    }
    return status_;
}

}  // namespace quorvex::test
