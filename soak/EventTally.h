#pragma once

#include <atomic>
#include <cstddef>
#include <streambuf>
#include <string>

namespace quorvex::soak {

// The output of a console session, counted line by line instead of printed: how many streaming
// samples and passages it reported. Written on the session's thread, read from any.
class EventTally : public std::streambuf {
public:
    std::size_t passages() const { return passages_.load(); }
    std::size_t samples() const { return samples_.load(); }
    std::size_t lines() const { return lines_.load(); }

protected:
    int_type overflow(int_type c) override;

private:
    void countLine();

    std::string line_;
    std::atomic<std::size_t> passages_{0};
    std::atomic<std::size_t> samples_{0};
    std::atomic<std::size_t> lines_{0};
};

}  // namespace quorvex::soak
