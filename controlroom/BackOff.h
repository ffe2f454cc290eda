#pragma once

#include <chrono>
#include <random>

namespace quorvex::link {

// The wait before the next connection attempt: the first wait, doubling up to the last, each
// drawn between four fifths and all of it so that many laptops that lost the broker together do not
// come back together.
class BackOff {
public:
    BackOff(std::chrono::milliseconds first, std::chrono::milliseconds last);
    std::chrono::milliseconds next();
    // After a connection the broker accepted.
    void reset() { current_ = first_; }

private:
    std::chrono::milliseconds first_;
    std::chrono::milliseconds last_;
    std::chrono::milliseconds current_;
    std::minstd_rand random_;
};

}  // namespace quorvex::link
