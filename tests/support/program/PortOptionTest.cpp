#include "support/program/PortOption.h"

#include <gtest/gtest.h>

using namespace quorvex::program;

// What Connect opens for a --port value, and the one refusal both programs print.
TEST(PortOptionTest, ComNumbersAndDevicePathsAreOpenedAnythingElseIsRefused) {
    const struct {
        const char* port;
        const wchar_t* devicePath;
        int portNumber;  // 0: no COM number
    } rows[] = {
        {"COM3", L"\\\\.\\COM3", 3},
        {"com12", L"\\\\.\\COM12", 12},
        {"/dev/pts/7", L"/dev/pts/7", 0},
        {"ttyUSB0", L"", 0},
        {"", L"", 0},
    };
    for (const auto& row : rows) {
        const auto settings = serialSettingsOf(row.port);
        EXPECT_EQ(row.devicePath, devicePathOf(row.port)) << row.port;
        EXPECT_EQ(row.devicePath, settings.devicePath()) << row.port;
        EXPECT_EQ(row.portNumber, settings.portNumber()) << row.port;
        EXPECT_EQ(*row.devicePath == L'\0', !portOptionError(row.port).empty()) << row.port;
    }
    EXPECT_EQ("--port ttyS0: not a COM port (COM3) or a device path (/dev/ttyUSB0)",
              portOptionError("ttyS0"));
}
