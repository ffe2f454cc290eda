#include "cli/LineSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using quorvex::cli::LineSplitter;

namespace {

struct Collected {
    std::vector<std::string> lines;
    std::vector<std::string> refused;
    LineSplitter splitter{[this](const std::string& line) { lines.push_back(line); },
                          [this](std::string_view start) { refused.emplace_back(start); }};
};

}  // namespace

TEST(LineSplitter, LinesSplitAcrossReadsComeWholeAndInOrder) {
    Collected c;
    c.splitter.feed("startStr");
    c.splitter.feed("eaming\nselectChannel 3\nstop");
    c.splitter.feed("Streaming\n\n");
    EXPECT_EQ((std::vector<std::string>{"startStreaming", "selectChannel 3", "stopStreaming", ""}), c.lines);
    EXPECT_TRUE(c.refused.empty());
}

TEST(LineSplitter, TheLastLineWithoutALineFeedIsStillALineAtTheEnd) {
    Collected c;
    c.splitter.feed("requestState\ndiscon");
    c.splitter.feed("nect");
    EXPECT_EQ(std::vector<std::string>{"requestState"}, c.lines);
    c.splitter.finish();
    EXPECT_EQ((std::vector<std::string>{"requestState", "disconnect"}), c.lines);
    c.splitter.finish();
    EXPECT_EQ(2u, c.lines.size()) << "nothing is delivered twice";

    Collected refused;
    refused.splitter.feed(std::string(LineSplitter::MaxLineLength + 1, 'x'));
    refused.splitter.finish();
    EXPECT_TRUE(refused.lines.empty()) << "a refused line stays refused at the end";
    EXPECT_EQ(1u, refused.refused.size());
}

TEST(LineSplitter, ALineOverTheLimitIsRefusedOnceAndSkippedToItsLineFeed) {
    Collected c;
    const std::string chunk(4096, 'x');
    for (std::size_t fed = 0; fed <= LineSplitter::MaxLineLength * 16; fed += chunk.size()) {
        c.splitter.feed(chunk);
    }
    c.splitter.feed("xx\nrequestState\n");
    ASSERT_EQ(1u, c.refused.size());
    EXPECT_EQ(std::string(40, 'x'), c.refused[0]);
    EXPECT_EQ(std::vector<std::string>{"requestState"}, c.lines);

    // A line of exactly the limit is still a line.
    c.splitter.feed(std::string(LineSplitter::MaxLineLength, 'y') + "\n");
    ASSERT_EQ(2u, c.lines.size());
    EXPECT_EQ(LineSplitter::MaxLineLength, c.lines[1].size());
}
