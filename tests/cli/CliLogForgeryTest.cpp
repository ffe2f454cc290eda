#include "tests/cli/CliFixture.h"

#include <filesystem>
#include <sstream>

using namespace quorvex::test;

namespace {

const std::string Forgery = "\n12/07/2026|00:00:00.000|64|Forged|Unit exploded";

// Text from the unit and from the command line reaches the debug log file as text: a serial
// number or a port path cannot write a line that reads as an entry of the program's own.
TEST_F(CliTest, TextFromTheUnitOrThePortPathCannotForgeLogLines) {
    auto profile = quietProfile();
    profile.serial = "1\n1|2|64|F";  // the unit's name field holds 16 bytes
    startUnit(profile);
    const TemporaryFolder links;
    // The forged line's slashes make folders of the path: "<links>/tty\n12/07/2026|...".
    const std::filesystem::path port = links.path() / ("tty\x1B\x07" + Forgery);
    std::filesystem::create_directories(port.parent_path());
    std::filesystem::create_symlink(unit_->portName(), port);
    cli_ = std::make_unique<ChildProcess>(
        QUORVEX_CLI_PROGRAM, std::vector<std::string>{"--port", port.string()},
        std::map<std::string, std::string>{{"TEMP", logFolder_.path().string()}});
    expectEvent("streaming", {"\"first\":true"});
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());

    std::istringstream log(debugLog());
    std::size_t escapedPath = 0;
    std::size_t escapedName = 0;
    std::string nameLines;
    for (std::string line; std::getline(log, line);) {
        EXPECT_FALSE(line.starts_with("12/07/2026|00:00:00.000|64|Forged")) << "forged: " << line;
        EXPECT_EQ(std::string::npos, line.find_first_of("\x1B\x07")) << line;
        EXPECT_FALSE(line.starts_with("1|2|64|F")) << "forged: " << line;
        escapedPath +=
            contains(line, "\\x0A12/07/2026\\x7C00:00:00.000\\x7C64\\x7CForged\\x7CUnit exploded") ? 1 : 0;
        nameLines += contains(line, "Serial Number") ? line + "\n" : "";
        escapedName += contains(line, "Serial Number          : 1\\x0A1\\x7C2\\x7C64\\x7CF") ? 1 : 0;
    }
    EXPECT_GE(escapedPath, 1u) << "the port path, escaped";
    EXPECT_GE(escapedName, 1u) << "the unit's name, escaped: " << nameLines;
}

}  // namespace
