// The journal keeps the port the operator chose as a device path a person can find again, with
// the COM name beside it, never the Windows form "\\.\COM1" alone.
#include "session/PortDescription.h"
#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quorvex::console;

TEST(PortDescriptionTest, AComNameIsRecordedAsItsDeviceWithTheNameBesideIt) {
    quorvex::test::TemporaryFolder temp;
    const zeph::windows::communication::PortDirectory ports(temp.path());
    std::filesystem::create_symlink("/dev/ttyUSB0", temp.path() / "com1");
    std::filesystem::create_symlink("../dev/rfcomm0", temp.path() / "com2");
    const struct {
        const wchar_t* chosen;
        std::string recorded;
    } rows[] = {
        {L"\\\\.\\COM1", "/dev/ttyUSB0 (COM1)"},
        {L"COM1", "/dev/ttyUSB0 (COM1)"},
        {L"\\\\.\\COM2", (temp.path().parent_path() / "dev/rfcomm0").lexically_normal().string() + " (COM2)"},
        {L"\\\\.\\COM9", "COM9"},  // its link is gone: kept as chosen
        {L"/dev/pts/4", "/dev/pts/4"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.recorded, describePort(row.chosen, ports)) << row.recorded;
    }
}
