#include "device/CommandDescriptor.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Row {
    std::int32_t id;
    std::wstring name;
    std::string text;
    zeph::platform::DWORD timeout;
};

std::string textOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

}  // namespace

TEST(CommandDescriptorTable, EveryCommandHasItsIdNameLineAndTimeout) {
    const std::vector<Row> rows{
        {1, L"Start Streaming", "START", 0},
        {2, L"Stop Streaming", "STOP", 0},
        {3, L"Acknowledge", "\x06", 0},
        {4, L"Negative Ack", "\x15", 0},
        {5, L"Ack ADC Battery Poll", "\x07", 0},
        {6, L"Request Init", "REQINIT", 3000},
        {7, L"Request State", "REQSTATE", 0},
        {8, L"Reinitialize", "REINIT", 0},
        {9, L"Inquire Gain", "INQGAIN", 0},
        {10, L"Increment Gain", "INCGAIN", 0},
        {11, L"Decrement Gain", "DECGAIN", 0},
        {12, L"Select Channel", "SELCHAN%d", 0},
        {13, L"MR Sensor Reset", "MRRESET", 0},
        {14, L"Request GPS", "REQGPS", 0},
        {15, L"Select Working Folder", "SETWFOLD%d", 0},
        {16, L"Set Auto Record", "SETRECAUTO", 0},
        {17, L"Set Manual Record", "SETRECMAN", 0},
        {18, L"Start Recording", "STARTREC", 0},
        {19, L"Stop Recording", "STOPREC", 0},
    };
    ASSERT_EQ(rows.size(), CommandDescriptor::table().size());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const CommandDescriptor* command = CommandDescriptor::find(row.id);
        ASSERT_NE(nullptr, command);
        EXPECT_EQ(row.id, command->id());
        EXPECT_EQ(row.name, command->displayName());
        EXPECT_EQ(row.text, command->wireText());
        EXPECT_EQ(row.text + "\n", std::string(command->bytes().begin(), command->bytes().end()));
        EXPECT_EQ(row.text.size() + 1, command->length());
        EXPECT_EQ(row.timeout, command->responseTimeout());
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
