#include "support/platform/TextConversion.h"
#include "support/system/LinuxIdentity.h"
#include "support/system/OperatingSystem.h"
#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <fstream>

namespace {

using namespace zeph::windows::system;

const KernelIdentity kDebianKernel{"Linux", "6.1.0-28-amd64",
                                   "#1 SMP PREEMPT_DYNAMIC Debian 6.1.119-1 (2024-11-22)", "x86_64"};

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(OsReleaseName, QuotingAndEscapesAreUndoneAsTheShellDoes) {
    EXPECT_EQ(osReleasePrettyName("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(osReleasePrettyName("PRETTY_NAME='Fedora Linux 39 (Workstation Edition)'"),
              "Fedora Linux 39 (Workstation Edition)");
    EXPECT_EQ(osReleasePrettyName("PRETTY_NAME=Alpine\\ Linux\\ v3.19"), "Alpine Linux v3.19");
    EXPECT_EQ(osReleasePrettyName("PRETTY_NAME=\"A \\\"quoted\\\" \\$name \\\\ 'x'\"\r\n"),
              "A \"quoted\" $name \\ 'x'");
}

TEST(OsReleaseName, CommentsOtherKeysAndEmptyValuesAreNoName) {
    EXPECT_EQ(osReleasePrettyName("# PRETTY_NAME=\"Commented\"\nNAME=\"Debian\"\n"), std::nullopt);
    EXPECT_EQ(osReleasePrettyName("PRETTY_NAME_EXTRA=\"x\"\nXPRETTY_NAME=\"y\"\n"), std::nullopt);
    EXPECT_EQ(osReleasePrettyName("PRETTY_NAME=\"\"\n"), std::nullopt);
    EXPECT_EQ(osReleasePrettyName(""), std::nullopt);
    EXPECT_EQ(osReleasePrettyName("PRETTY_NAME=\"First\"\nPRETTY_NAME=\"Last\""), "Last");
}

TEST(LinuxFacts, ArchitectureNames) {
    EXPECT_EQ(linuxArchitectureName("x86_64"), L"x64");
    for (const char* machine : {"i386", "i486", "i586", "i686"}) {
        EXPECT_EQ(linuxArchitectureName(machine), L"x86") << machine;
    }
    for (const char* machine : {"aarch64", "armv7l", "i786", "i86", "x86", "riscv64", ""}) {
        EXPECT_EQ(linuxArchitectureName(machine), L"Unknown") << machine;
    }
}

TEST(LinuxFacts, BuildNumberIsTheKernelVersionsThirdNumber) {
    EXPECT_EQ(kernelBuildNumber(kDebianKernel.release, kDebianKernel.version), 119u);
    EXPECT_EQ(kernelBuildNumber("6.18.44-fc-v1300", "#1 SMP PREEMPT_DYNAMIC @0"), 44u);
    EXPECT_EQ(
        kernelBuildNumber("6.5.6-300.fc39.x86_64", "#1 SMP PREEMPT_DYNAMIC Fri Oct  6 19:57:21 UTC 2023"),
        6u);
    EXPECT_EQ(kernelBuildNumber("6.1", "#1 SMP"), 0u);
    EXPECT_EQ(kernelBuildNumber("", ""), 0u);
    EXPECT_EQ(kernelBuildNumber("6.1.99999999999", ""), 0u) << "a number past 32 bits is no build number";
}

TEST(LinuxFacts, IdentityFromOsReleaseAndKernel) {
    const SystemIdentity identity =
        identifyLinux("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", kDebianKernel);
    EXPECT_TRUE(identity.detected);
    EXPECT_EQ(identity.osName, L"Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(identity.architecture, L"x64");
    EXPECT_EQ(identity.servicePack, L"6.1.0-28-amd64");
    EXPECT_EQ(identity.buildNumber, 119u);

    KernelIdentity bare{"Linux", "", "", "aarch64"};
    const SystemIdentity fallback = identifyLinux(std::nullopt, bare);
    EXPECT_EQ(fallback.osName, L"Linux");
    EXPECT_EQ(fallback.servicePack, L"None");
    EXPECT_EQ(fallback.architecture, L"Unknown");
    EXPECT_EQ(fallback.buildNumber, 0u);

    const SystemIdentity unknown = identifyLinux("PRETTY_NAME=\"Debian\"", std::nullopt);
    EXPECT_FALSE(unknown.detected);
    EXPECT_TRUE(unknown.osName.empty());
    EXPECT_TRUE(unknown.architecture.empty());
    EXPECT_TRUE(unknown.servicePack.empty());
    EXPECT_EQ(unknown.buildNumber, 0u);
}

TEST(LinuxFacts, TheFirstReadableOsReleaseFileIsTheOnlyOneRead) {
    quorvex::test::TemporaryFolder folder;
    const auto etc = folder.path() / "etc-os-release";
    const auto lib = folder.path() / "lib-os-release";
    writeFile(lib, "PRETTY_NAME=\"From usr/lib\"\n");

    EXPECT_EQ(readLinuxIdentity({etc, lib}).osName, L"From usr/lib") << "a missing first file falls back";

    writeFile(etc, "PRETTY_NAME=\"From etc\"\n");
    EXPECT_EQ(readLinuxIdentity({etc, lib}).osName, L"From etc");

    writeFile(etc, "NAME=\"Nameless\"\n");
    const SystemIdentity nameless = readLinuxIdentity({etc, lib});
    ASSERT_TRUE(runningKernel());
    EXPECT_EQ(nameless.osName, L"Linux")
        << "a file without PRETTY_NAME gives the kernel's name, not the next file's";

    EXPECT_EQ(readLinuxIdentity({folder.path() / "none"}).osName, L"Linux");
}

TEST(OperatingSystem, ThisMachineIsIdentified) {
    ASSERT_TRUE(OperatingSystem::detect());
    utsname names{};
    ASSERT_EQ(::uname(&names), 0);
    EXPECT_FALSE(OperatingSystem::osName().empty());
    EXPECT_EQ(OperatingSystem::processorArchitecture(), linuxArchitectureName(names.machine));
    EXPECT_EQ(OperatingSystem::servicePack(), zeph::platform::widen(names.release));
    EXPECT_EQ(OperatingSystem::buildNumber(), kernelBuildNumber(names.release, names.version));
}

}  // namespace
