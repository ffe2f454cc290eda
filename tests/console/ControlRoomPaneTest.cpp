// The console's control-room pane follows the link to a real mosquitto; the window keeps working.
#include "console/ControlRoomLink.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/helpers/mqtt/MqttBroker.h"
#include "tests/helpers/mqtt/MqttSubscriber.h"

#include <cstdlib>

namespace quorvex::test {
namespace {

class ControlRoomPaneTest : public ConsoleTest {
protected:
    ControlRoomPaneTest() {
        // The settings and the journal of the test's own, never the user's.
        ::setenv("XDG_CONFIG_HOME", temp_.path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", temp_.path().c_str(), 1);
    }
    ~ControlRoomPaneTest() override {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_DATA_HOME");
    }
    QString pane() const { return window().controlRoom()->pane()->text(); }
};

TEST_F(ControlRoomPaneTest, PaneShowsOffConnectingOnlineAndOfflineWithTheBrokerInItsTip) {
    start({"--simulate"});
    EXPECT_EQ("Control room: off", pane());
    EXPECT_EQ("Control room link", window().controlRoom()->pane()->accessibleName());

    MqttBroker broker(temp_.path());
    window().controlRoom()->apply({broker.url(), "secret", "", "", ""});
    ASSERT_TRUE(waitFor([&] { return pane() == "Control room: online"; })) << pane().toStdString();
    // The unit's status reaches the control room, retained.
    ASSERT_TRUE(waitForStreaming());
    MqttSubscriber controlRoom(broker.port(), "quorvex/+/status");
    ASSERT_TRUE(waitFor([&] {
        const auto messages = controlRoom.messages();
        return !messages.empty() &&
               messages.back().payload.find("\"connection\":\"connected\"") != std::string::npos;
    }));
    const QString tip = window().controlRoom()->pane()->toolTip();
    EXPECT_TRUE(tip.contains(QString::fromStdString("127.0.0.1:" + std::to_string(broker.port()))));
    EXPECT_FALSE(tip.contains("secret"));

    broker.stop();
    ASSERT_TRUE(waitFor([&] { return pane().startsWith("Control room: offline"); })) << pane().toStdString();
    EXPECT_TRUE(waitFor([&] { return !window().controlRoom()->status().lastError.empty(); }));
    EXPECT_TRUE(window().controlRoom()->pane()->toolTip().contains("Last error: "));
    EXPECT_TRUE(window().messageText().startsWith("Control room link: "));

    window().controlRoom()->apply({});
    EXPECT_EQ("Control room: off", pane());
}

}  // namespace
}  // namespace quorvex::test
