#include "device/QueryInterface.h"

#include "support/platform/TypeName.h"

#include <gtest/gtest.h>

TEST(DeviceStackLayers, ALayerCanStandOnItsOwn) {
    TCommandAndControl<QuorvexSupervisor> control;
    ICommandAndControl& asInterface = control;
    (void)asInterface;

    THealthCheck<TCommandAndControl<QuorvexSupervisor>> health;
    EXPECT_EQ(&ConnectionState::Disconnected, &health.getDeviceState()->connectionState());
    EXPECT_NE(nullptr, health.findEventCounters(0x100));
    EXPECT_EQ(nullptr, health.findEventCounters(0x200));
}

TEST(DeviceStackLayers, LogContextsSpellTheChainAsTheWindowsToolchainDoes) {
    EXPECT_EQ("TCommandAndControl<class QuorvexSupervisor>::initPort",
              zeph::platform::operationContext<TCommandAndControl<QuorvexSupervisor>>("initPort"));
    EXPECT_EQ(
        "TUserInterface<class THealthCheck<class TCommandAndControl<class QuorvexSupervisor> > >::connect",
        zeph::platform::operationContext<TUserInterface<THealthCheck<TCommandAndControl<QuorvexSupervisor>>>>(
            "connect"));
    EXPECT_EQ(
        "TMessageDispatchInterface<class TUserInterface<class THealthCheck<class TCommandAndControl<class "
        "QuorvexSupervisor> > > >::ProcessInitEvent",
        zeph::platform::operationContext<
            TMessageDispatchInterface<TUserInterface<THealthCheck<TCommandAndControl<QuorvexSupervisor>>>>>(
            "ProcessInitEvent"));
}
