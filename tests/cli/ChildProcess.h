#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvex::test {

// A program run as a child process with pipes on its standard input, output and error. Output
// lines are collected on threads of their own as they come; the child is killed if it still runs
// when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void sendLine(const std::string& line);
    void closeInput();
    void interrupt() const;  // SIGINT

    // The first output line from index `from` on that satisfies the condition, with its index.
    std::optional<std::pair<std::size_t, std::string>> waitForLine(
        const std::function<bool(const std::string&)>& condition, std::size_t from = 0,
        std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::vector<std::string> outputLines() const;
    // Whether the standard error holds the text within the time.
    bool waitForError(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::string errorText() const;
    // The last output lines and the standard error, for the message of a failed expectation.
    std::string transcript() const;
    // The exit code (128 + n for a signal n) once the child has ended within the time.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(30));

private:
    void collect(int fd, bool isOutput);

    int pid_ = -1;
    int input_ = -1;
    std::optional<int> status_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::string partial_;
    std::string error_;
    int openStreams_ = 2;  // output and error pipes not yet at their end
    std::thread outputReader_;
    std::thread errorReader_;
};

}  // namespace quorvex::test
