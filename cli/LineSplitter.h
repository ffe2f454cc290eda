#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quorvex::cli {

// Cuts a byte stream into lines at each line feed. Only the bytes that arrived since the last
// call are scanned, so a long line costs its length once; a line longer than the limit is
// refused (the caller is told once) and skipped up to its line feed, so it never grows memory.
class LineSplitter {
public:
    static constexpr std::size_t MaxLineLength = 65536;

    // Called with each whole line (without its line feed), and with the first bytes of each
    // line that went over the limit.
    LineSplitter(std::function<void(const std::string&)> line, std::function<void(std::string_view)> tooLong);

    void feed(std::string_view bytes);
    // The end of the stream: a last line without a line feed is still a line.
    void finish();

private:
    void deliverPending();

    std::function<void(const std::string&)> line_;
    std::function<void(std::string_view)> tooLong_;
    std::string pending_;
    bool skipping_ = false;  // inside a line that went over the limit
};

}  // namespace quorvex::cli
