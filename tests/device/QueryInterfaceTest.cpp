#include "device/QueryInterface.h"

#include <gtest/gtest.h>

using zeph::platform::ERROR_BAD_ARGUMENTS;
using zeph::platform::ERROR_SUCCESS;
using zeph::platform::ERROR_UNKNOWN_INTERFACE;

namespace {

void* query(int id) {
    void* result = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(ERROR_SUCCESS, queryInterface(id, &result)) << "interface id " << id;
    return result;
}

}  // namespace

TEST(QueryInterface, RefusesAMissingOutputAndUnknownIds) {
    EXPECT_EQ(ERROR_BAD_ARGUMENTS, queryInterface(InterfaceId::UserInterface.value(), nullptr));

    for (int unknown : {0, 5, -1, 632}) {
        void* result = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(ERROR_UNKNOWN_INTERFACE, queryInterface(unknown, &result)) << unknown;
        EXPECT_EQ(nullptr, result) << unknown;
    }
}

TEST(QueryInterface, HandsOutEveryInterfaceOfOneObject) {
    auto* user = static_cast<IUserInterface*>(query(InterfaceId::UserInterface.value()));
    auto* control = static_cast<ICommandAndControl*>(query(InterfaceId::CommandAndControlInterface.value()));
    auto* health = static_cast<IHealthCheck*>(query(InterfaceId::HealthCheckInterface.value()));
    auto* dispatch = static_cast<IMessageDispatch*>(query(InterfaceId::MessageDispacthInterface.value()));
    ASSERT_NE(nullptr, user);
    ASSERT_NE(nullptr, control);
    ASSERT_NE(nullptr, health);
    ASSERT_NE(nullptr, dispatch);

    EXPECT_EQ(user, query(InterfaceId::UserInterface.value())) << "a second query gives the same interface";

    auto* stack = static_cast<QuorvexDeviceStack*>(user);
    EXPECT_EQ(stack, static_cast<QuorvexDeviceStack*>(control));
    EXPECT_EQ(stack, static_cast<QuorvexDeviceStack*>(health));
    EXPECT_EQ(stack, static_cast<QuorvexDeviceStack*>(dispatch));

    // The health layer and the command layer see the same device state and counters.
    EXPECT_EQ(user->getDeviceState(), health->getDeviceState());
    EXPECT_EQ(user->findEventCounters(0x1), health->findEventCounters(0x1));
}
