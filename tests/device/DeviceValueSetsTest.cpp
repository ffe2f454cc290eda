#include "device/ChannelKind.h"
#include "device/DeviceValueSets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <typename Set>
std::vector<std::pair<int, std::wstring>> registered() {
    std::vector<std::pair<int, std::wstring>> rows;
    for (const auto& [value, constant] : Set::all()) {
        rows.emplace_back(value, std::wstring(constant->name()));
    }
    return rows;
}

using Rows = std::vector<std::pair<int, std::wstring>>;

}  // namespace

TEST(DeviceValueSets, EverySetRegistersItsValuesWithTheirNames) {
    EXPECT_EQ((Rows{{1, L"Disconnected"}, {2, L"Connecting"}, {3, L"Connected"}}),
              registered<ConnectionState>());
    EXPECT_EQ((Rows{{1, L"Command"}, {2, L"Streaming"}}), registered<OperatingMode>());
    EXPECT_EQ((Rows{{1, L"Stopped"}, {2, L"Beginning"}, {3, L"Playing"}, {4, L"Ending"}, {5, L"Paused"}}),
              registered<StreamingState>());
    EXPECT_EQ((Rows{{1, L"Automatic"}, {2, L"Manual"}}), registered<RecordMode>());
    EXPECT_EQ((Rows{{1, L"UserInterface"},
                    {2, L"CommandAndControlInterface"},
                    {3, L"HealthCheckInterface"},
                    {4, L"MessageDispacthInterface"}}),
              registered<InterfaceId>());
    EXPECT_EQ((Rows{{0, L"AUTO"}, {1, L"QUORVEX"}, {2, L"Legacy"}, {3, L"Magnetic"}}),
              registered<ChannelKind>());
}

TEST(DeviceValueSets, LookUpByValueAndCompareByValue) {
    EXPECT_EQ(&StreamingState::Paused, StreamingState::find(5));
    EXPECT_EQ(nullptr, StreamingState::find(6));
    EXPECT_EQ(nullptr, ConnectionState::find(0));

    const ConnectionState copy = ConnectionState::Connecting;
    EXPECT_EQ(ConnectionState::Connecting, copy);
    EXPECT_EQ(L"Connecting", copy.name());
    EXPECT_EQ(&ConnectionState::Connecting, ConnectionState::find(2)) << "a copy never replaces the constant";
}

TEST(DeviceValueSets, ChannelKindsCarryTheirSampleWidth) {
    EXPECT_EQ(3, ChannelKind::Auto.width());
    EXPECT_EQ(3, ChannelKind::Quorvex.width());
    EXPECT_EQ(3, ChannelKind::Legacy.width());
    EXPECT_EQ(5, ChannelKind::Magnetic.width());
}
