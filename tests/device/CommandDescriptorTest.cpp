#include "device/CommandDescriptor.h"
#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string textOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// The wire text of the table file: "\\xNN" stands for one byte.
std::string unescaped(const std::string& text) {
    return text.starts_with("\\x") ? std::string(1, static_cast<char>(std::stoi(text.substr(2), nullptr, 16)))
                                   : text;
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

TEST(CommandDescriptorTable, EveryCommandHasTheIdWireTextNameAndTimeoutOfTheKnownTable) {
    std::ifstream file(quorvex::test::testDataPath("commands.tsv"));
    ASSERT_TRUE(file.is_open());
    std::size_t rows = 0;
    for (std::string row; std::getline(file, row);) {
        if (row.starts_with("#")) {
            continue;
        }
        std::istringstream fields(row);
        std::string id, wire, name, timeout;
        std::getline(fields, id, '\t');
        std::getline(fields, wire, '\t');
        std::getline(fields, name, '\t');
        std::getline(fields, timeout, '\t');
        const CommandDescriptor* command = CommandDescriptor::find(std::stoi(id));
        ASSERT_NE(nullptr, command) << row;
        EXPECT_EQ(unescaped(wire), command->wireText()) << row;
        EXPECT_EQ(std::wstring(name.begin(), name.end()), command->displayName()) << row;
        EXPECT_EQ(static_cast<zeph::platform::DWORD>(std::stoul(timeout)), command->responseTimeout()) << row;
        ++rows;
    }
    EXPECT_EQ(CommandDescriptor::table().size(), rows);
}
