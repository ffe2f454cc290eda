// A port refused for want of its group: found and explained with the fix, and told apart from
// the ports that group membership would not open. The checks run in a child process as an
// ordinary user, since root opens every port.
#include "support/communication/PortGroupDenial.h"
#include "support/communication/Serial.h"
#include "support/logging/LogBeacon.h"
#include "support/logging/LogEntry.h"
#include "support/platform/TextConversion.h"
#include "tests/helpers/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/signals2/connection.hpp>

#include <algorithm>
#include <functional>
#include <string>

namespace {

using namespace zeph::windows::communication;
using quorvex::test::PseudoTerminal;
using quorvex::test::TemporaryPortDirectory;
namespace logging = zeph::windows::logging;
namespace platform = zeph::platform;

struct Account {
    uid_t uid;
    gid_t gid;
};

// Runs the work in a child process as the account (root first drops every group) and returns
// what it wrote; the child's failures come back as text the assertions show.
std::string runAs(const Account& account, const std::function<std::string()>& work) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return "pipe failed";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string text;
        if (::getuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(account.gid) != 0 || ::setuid(account.uid) != 0)) {
            text = "could not drop privileges";
        } else {
            text = work();
        }
        const ssize_t written = ::write(pipeFds[1], text.data(), text.size());
        ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t count; (count = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return text;
}

std::string describe(const std::optional<PortGroupDenial>& denial) {
    return denial ? denial->group() + "|" + platform::narrow(denial->advice()) : "none";
}

std::string findDenial(const std::string& device) {
    return describe(PortGroupDenial::find(std::filesystem::path(device)));
}

gid_t groupId(const char* name, gid_t fallback) {
    const group* entry = ::getgrnam(name);
    return entry != nullptr ? entry->gr_gid : fallback;
}

std::string groupName(gid_t id) {
    const group* entry = ::getgrgid(id);
    return entry != nullptr ? entry->gr_name : std::to_string(id);
}

bool sessionHasGroup(gid_t id) {
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    return ::getegid() == id ||
           std::find(groups, groups + std::max(count, 0), id) != groups + std::max(count, 0);
}

// As root the checks run as nobody against a pty given to the group dialout; as an ordinary
// user they run as that user against the pty's own group (tty), when the user is not in it.
class PortGroupDenialTest : public ::testing::Test {
protected:
    void SetUp() override {
        struct stat status {};
        ASSERT_EQ(::stat(device().c_str(), &status), 0);
        if (::getuid() == 0) {
            const passwd* entry = ::getpwnam("nobody");
            actor = entry != nullptr ? Account{entry->pw_uid, entry->pw_gid} : Account{65534, 65534};
            portGroup = groupId("dialout", 20);
            ASSERT_EQ(::chown(device().c_str(), static_cast<uid_t>(-1), portGroup), 0);
        } else {
            actor = Account{::getuid(), ::getgid()};
            portGroup = status.st_gid;
            if (sessionHasGroup(portGroup)) {
                GTEST_SKIP() << "the test user is in the pty's group";
            }
        }
    }

    const std::string& device() const { return pty.slaveName(); }
    void setMode(mode_t mode) const { ASSERT_EQ(::chmod(device().c_str(), mode), 0); }
    std::string expectedAdvice() const {
        const std::string group = groupName(portGroup);
        return "Permission denied: " + device() + " belongs to the group \"" + group +
               "\", which you are not in. Add yourself to it with\n    sudo usermod -aG " + group +
               " $USER\nthen log out and log in again.";
    }

    PseudoTerminal pty;
    Account actor{};
    gid_t portGroup = 0;
};

TEST_F(PortGroupDenialTest, AGroupPortOfAnotherGroupIsExplainedWithTheFix) {
    setMode(0060);
    EXPECT_EQ(runAs(actor, [this] { return findDenial(device()); }),
              groupName(portGroup) + "|" + expectedAdvice());
    // Reached through a COM link the device itself is named, not the link.
    TemporaryPortDirectory ports;
    const std::wstring com = ports.add(pty);
    for (const auto& folder : {ports.directory().folder().parent_path(), ports.directory().folder()}) {
        std::filesystem::permissions(folder, std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
    }
    EXPECT_EQ(runAs(actor, [&] { return describe(PortGroupDenial::find(com, ports.directory())); }),
              groupName(portGroup) + "|" + expectedAdvice());
}

TEST_F(PortGroupDenialTest, OpeningSuchAPortFailsAndLogsTheAdviceAsAWarning) {
    setMode(0060);
    const std::string outcome = runAs(actor, [this] {
        logging::LogBeacon& beacon = logging::LogBeacon::instance();
        std::string lines;
        boost::signals2::scoped_connection connection = beacon.connect(
            [&](logging::LogBatch entries) {
                for (const logging::LogEntry& entry : entries) {
                    lines += std::string(entry.context()) + "|" + std::string(entry.message());
                }
            },
            logging::Warning.value());
        Serial serial;
        const platform::DWORD result = serial.open(platform::widen(device()));
        beacon.flush();
        return std::to_string(result) + "|" + lines;
    });
    // The log keeps every entry on one line: the advice's line breaks are written escaped.
    std::string oneLine = expectedAdvice();
    for (std::size_t at = oneLine.find('\n'); at != std::string::npos; at = oneLine.find('\n', at)) {
        oneLine.replace(at, 1, "\\x0A");
    }
    EXPECT_EQ(outcome, "5|zeph::windows::communication::Serial::open|" + oneLine);
}

TEST_F(PortGroupDenialTest, NothingIsSaidWhenTheGroupIsNotTheObstacle) {
    setMode(0666);  // anyone may open it
    EXPECT_EQ(runAs(actor, [this] { return findDenial(device()); }), "none");
    setMode(0000);  // joining the group would not help
    EXPECT_EQ(runAs(actor, [this] { return findDenial(device()); }), "none");
    setMode(0040);  // the group may only read
    EXPECT_EQ(runAs(actor, [this] { return findDenial(device()); }), "none");
    EXPECT_EQ(runAs(actor, [] { return findDenial("/nonexistent/ttyUSB9"); }), "none");
}

TEST_F(PortGroupDenialTest, AnAccountAddedAfterLoginIsToldToLogInAgain) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to start a session that lacks a group its account has";
    }
    // nobody's own group in the account database, missing from a session started with another.
    ASSERT_EQ(::chown(device().c_str(), static_cast<uid_t>(-1), actor.gid), 0);
    setMode(0060);
    const Account session{actor.uid, portGroup};
    const std::string group = groupName(actor.gid);
    EXPECT_EQ(runAs(session, [this] { return findDenial(device()); }),
              group + "|Permission denied: " + device() + " belongs to the group \"" + group +
                  "\", which your account joined after this session began. Log out and log in again.");
}

}  // namespace
