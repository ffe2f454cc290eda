// The port directory: COM names, where it lives, and linking new devices without ever
// renumbering a port an operator already knows.
#include "support/communication/PortDirectory.h"
#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace {

using quorvex::test::TemporaryFolder;
using zeph::windows::communication::PortDirectory;
namespace fs = std::filesystem;

TEST(PortDirectoryNames, WindowsPortPathsGiveTheirNumber) {
    EXPECT_EQ(PortDirectory::portNumberOf(L"\\\\.\\COM7"), 7);
    EXPECT_EQ(PortDirectory::portNumberOf(L"\\\\.\\COM12"), 12);
    EXPECT_EQ(PortDirectory::portNumberOf(L"COM3"), 3);
    EXPECT_EQ(PortDirectory::portNumberOf(L"com4"), 4);
    for (const wchar_t* notAPort : {L"\\\\.\\COM0", L"\\\\.\\COM", L"\\\\.\\COMx", L"\\\\.\\COM1x", L"COM-1",
                                    L"LPT1", L"/dev/ttyUSB0", L"\\\\.\\COM9999999", L""}) {
        EXPECT_EQ(PortDirectory::portNumberOf(notAPort), std::nullopt) << std::wstring(notAPort).size();
    }
}

// Sets or clears an environment variable for one test and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(PortDirectoryLocation, OverrideThenXdgDataHomeThenHome) {
    ScopedEnvironment home("HOME", "/home/operator");
    {
        ScopedEnvironment overridden("QUORVEX_PORT_DIR", "/run/quorvex-ports");
        ScopedEnvironment xdg("XDG_DATA_HOME", "/data");
        EXPECT_EQ(PortDirectory::defaultFolder(), fs::path("/run/quorvex-ports"));
    }
    ScopedEnvironment noOverride("QUORVEX_PORT_DIR", nullptr);
    {
        ScopedEnvironment xdg("XDG_DATA_HOME", "/data");
        EXPECT_EQ(PortDirectory::defaultFolder(), fs::path("/data/quorvex/ports"));
    }
    {
        ScopedEnvironment relative("XDG_DATA_HOME", "relative/path");  // not absolute: ignored
        EXPECT_EQ(PortDirectory::defaultFolder(), fs::path("/home/operator/.local/share/quorvex/ports"));
    }
    ScopedEnvironment noXdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(PortDirectory::defaultFolder(), fs::path("/home/operator/.local/share/quorvex/ports"));
}

// A fake /dev and /sys with serial devices of every family.
class PortDirectoryLinking : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dev);
        for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyUSB2",
                                 "ttyACM0", "rfcomm0", "tty0", "console", "ttyprintk", "ttyUSB"}) {
            std::ofstream(dev / name).put('\0');
        }
        // ttyS0 has a UART; ttyS1 is a placeholder the 8250 driver always makes; ttyS2 has no
        // sysfs entry at all.
        writeType("ttyS0", "4");
        writeType("ttyS1", "0");
    }

    void writeType(const std::string& tty, const char* type) {
        fs::create_directories(sys / "class" / "tty" / tty);
        std::ofstream(sys / "class" / "tty" / tty / "type") << type << '\n';
    }

    std::map<int, fs::path> linksByNumber() const {
        std::map<int, fs::path> result;
        for (const PortDirectory::Link& link : directory.links()) {
            result[link.number] = link.target;
        }
        return result;
    }

    TemporaryFolder root;
    fs::path dev = root.path() / "dev";
    fs::path sys = root.path() / "sys";
    PortDirectory directory{root.path() / "ports"};
};

TEST_F(PortDirectoryLinking, NewDevicesTakeTheLowestFreeNumbersAndExistingLinksKeepTheirs) {
    fs::create_directories(directory.folder());
    fs::create_symlink("/nonexistent/ttyUSB7", directory.linkPath(1));  // unplugged: keeps COM1
    fs::create_symlink(dev / "ttyUSB1", directory.linkPath(2));
    fs::create_symlink(dev / "ttyACM0", directory.linkPath(4));
    fs::create_symlink(fs::path("..") / "dev" / "ttyUSB2", directory.linkPath(9));  // relative, by hand
    std::ofstream(directory.folder() / "notes.txt") << "not a port";

    std::vector<PortDirectory::Link> added;
    ASSERT_EQ(directory.linkNewDevices(added, dev, sys), 0u);

    std::map<int, fs::path> expected{{1, "/nonexistent/ttyUSB7"}, {2, dev / "ttyUSB1"}, {3, dev / "ttyS0"},
                                     {4, dev / "ttyACM0"},        {5, dev / "ttyUSB0"}, {6, dev / "ttyUSB10"},
                                     {7, dev / "rfcomm0"},        {9, dev / "ttyUSB2"}};
    EXPECT_EQ(linksByNumber(), expected);
    ASSERT_EQ(added.size(), 4u);
    EXPECT_EQ(added[0].number, 3);
    EXPECT_EQ(added[3].number, 7);

    // Again: nothing new, nothing renumbered.
    added.clear();
    ASSERT_EQ(directory.linkNewDevices(added, dev, sys), 0u);
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(linksByNumber(), expected);

    // A device that comes back later finds its number; another one takes the next free.
    std::ofstream(dev / "ttyUSB3").put('\0');
    ASSERT_EQ(directory.linkNewDevices(added, dev, sys), 0u);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].number, 8);
}

TEST_F(PortDirectoryLinking, ADeviceReachedThroughAnotherLinkIsNotLinkedTwice) {
    fs::create_directories(root.path() / "by-id");
    fs::create_symlink(dev / "ttyACM0", root.path() / "by-id" / "usb-Maker_Unit-if00");
    fs::create_directories(directory.folder());
    fs::create_symlink(root.path() / "by-id" / "usb-Maker_Unit-if00", directory.linkPath(5));

    EXPECT_EQ(directory.numberOf(dev / "ttyACM0"), 5);
    int number = 0;
    ASSERT_EQ(directory.addLink(dev / "ttyACM0", number), 0u);
    EXPECT_EQ(number, 5);
    ASSERT_EQ(directory.addLink(dev / "rfcomm0", number), 0u);
    EXPECT_EQ(number, 1);
}

}  // namespace
