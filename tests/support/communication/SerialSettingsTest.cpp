// The connection settings record and its named values.
#include "support/communication/SerialSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace zeph::windows::communication;

template <typename Set>
std::vector<std::wstring> namesOf() {
    std::vector<std::wstring> names;
    for (const auto& [value, namedValue] : Set::all()) {
        names.emplace_back(namedValue->name());
    }
    return names;
}

TEST(SerialSettings, FreshSettingsAreTheConnectionDefaults) {
    const SerialSettings settings;
    EXPECT_EQ(settings.portNumber(), 0);
    EXPECT_TRUE(settings.devicePath().empty());
    EXPECT_EQ(settings.baudRate(), BaudRate::Baud115200);
    EXPECT_EQ(settings.dataBits(), DataBits::Bits8);
    EXPECT_EQ(settings.parity(), Parity::NoParity);
    EXPECT_EQ(settings.stopBits(), StopBits::One);
    EXPECT_EQ(settings.flowControl(), FlowControl::NoFlowControl);
}

TEST(SerialSettings, PortNumberSetsTheWindowsDevicePath) {
    SerialSettings settings;
    settings.setPortNumber(7);
    EXPECT_EQ(settings.devicePath(), L"\\\\.\\COM7");
    settings.setPortNumber(12);
    EXPECT_EQ(settings.devicePath(), L"\\\\.\\COM12");
    SerialSettings copy = settings;
    copy.setParity(Parity::Mark);
    EXPECT_EQ(copy.devicePath(), L"\\\\.\\COM12");
    EXPECT_EQ(settings.parity(), Parity::NoParity);
    EXPECT_EQ(&copy.parity(), &Parity::Mark);
}

TEST(SerialSettings, NamedValuesListInTheDialogsOrder) {
    EXPECT_EQ(
        namesOf<BaudRate>(),
        (std::vector<std::wstring>{L"110", L"300", L"600", L"1200", L"2400", L"4800", L"9600", L"14400",
                                   L"19200", L"38400", L"56000", L"57600", L"115200", L"128000", L"256000"}));
    EXPECT_EQ(namesOf<DataBits>(), (std::vector<std::wstring>{L"5", L"6", L"7", L"8"}));
    EXPECT_EQ(namesOf<Parity>(), (std::vector<std::wstring>{L"None", L"Odd", L"Even", L"Mark", L"Space"}));
    EXPECT_EQ(namesOf<StopBits>(), (std::vector<std::wstring>{L"1", L"1.5", L"2"}));
    EXPECT_EQ(namesOf<FlowControl>(),
              (std::vector<std::wstring>{L"None", L"Hardware (RTS/CTS)", L"Software (XON/XOFF)"}));
    EXPECT_EQ(namesOf<ReadMode>(), (std::vector<std::wstring>{L"Non-Blocking", L"Blocking"}));
    EXPECT_EQ(Parity::find(3), &Parity::Mark);
    EXPECT_EQ(StopBits::find(1), &StopBits::OnePointFive);
    EXPECT_EQ(BaudRate::find(12345), nullptr);
}

}  // namespace
