#include "device/CommandDescriptor.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string textOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

}  // namespace

TEST(CommandDescriptorTable, LooksCommandsUpByIdAndKnowsNoOthers) {
    ASSERT_EQ(19u, CommandDescriptor::table().size());
    for (const CommandDescriptor& command : CommandDescriptor::table()) {
        EXPECT_EQ(&command, CommandDescriptor::find(command.id()));
        EXPECT_EQ(0x0A, command.bytes().back());
    }
    EXPECT_EQ(nullptr, CommandDescriptor::find(0));
    EXPECT_EQ(nullptr, CommandDescriptor::find(20));
}

TEST(CommandDescriptorFormat, FillsTheNumberAndEndsAtTheFirstLineFeed) {
    const CommandDescriptor& channel = *CommandDescriptor::find(CommandDescriptor::SelectChannel);
    const CommandDescriptor& folder = *CommandDescriptor::find(CommandDescriptor::SelectWorkingFolder);
    EXPECT_EQ("SELCHAN4\n", textOf(channel.format(4)));
    EXPECT_EQ("SETWFOLD12\n", textOf(folder.format(12)));
    EXPECT_EQ("SETWFOLD-1\n", textOf(folder.format(-1)));
    EXPECT_EQ("SETWFOLD-2147483648\n", textOf(folder.format(INT32_MIN)));
    EXPECT_EQ("START\n", textOf(CommandDescriptor::find(CommandDescriptor::StartStreaming)->format(7)));

    const CommandDescriptor twoLines(99, L"Two Lines", "A%d\nB", 0);
    EXPECT_EQ("A5\n", textOf(twoLines.format(5)));
}
