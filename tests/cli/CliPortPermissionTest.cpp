// A port the session may not open for want of its group (dialout on Debian): the client, run as
// an ordinary user, says why and how to mend it, in its message box, on standard error and in
// the debug log.
#include "tests/cli/CliFixture.h"
#include "tests/helpers/PseudoTerminal.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvex::test;

TEST_F(CliTest, APortOfAGroupTheUserIsNotInIsExplainedWithTheFix) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to run the client as another user against a port of another group";
    }
    const group* dialout = ::getgrnam("dialout");
    ASSERT_NE(dialout, nullptr);
    PseudoTerminal pty;
    ASSERT_EQ(::chown(pty.slaveName().c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(pty.slaveName().c_str(), 0660), 0);
    ASSERT_EQ(::chmod(logFolder_.path().c_str(), 0777), 0);  // nobody writes the debug log there
    // A copy nobody can reach, wherever the build folder is.
    const std::filesystem::path program = logFolder_.path() / "quorvex-cli";
    std::filesystem::copy_file(QUORVEX_CLI_PROGRAM, program);

    cli_ = std::make_unique<ChildProcess>(
        "/usr/bin/setpriv",
        std::vector<std::string>{"--reuid=nobody", "--regid=nogroup", "--clear-groups", program.string(),
                                 "--port", pty.slaveName()},
        std::map<std::string, std::string>{{"TEMP", logFolder_.path().string()},
                                           {"QUORVEX_PORT_DIR", (logFolder_.path() / "ports").string()}});
    const std::string fix =
        "belongs to the group \\\"dialout\\\", which you are not in. Add yourself to it "
        "with\\n    sudo usermod -aG dialout $USER\\nthen log out and log in again.";
    expectEvent("connect", {"\"error\":5"});
    expectEvent("messageBox", {"Failed to connect!\\n\\nPermission denied: " + pty.slaveName() + " " + fix});
    EXPECT_EQ(1, cli_->waitForExit());
    EXPECT_TRUE(
        contains(cli_->errorText(), "Failed to connect! error 5 (Access is denied.)\nPermission denied: " +
                                        pty.slaveName() + " belongs to the group \"dialout\""))
        << cli_->errorText();
    EXPECT_TRUE(contains(debugLog(), "|zeph::windows::communication::Serial::open|Permission denied: " +
                                         pty.slaveName() + " belongs to the group \"dialout\""))
        << debugLog();
}
