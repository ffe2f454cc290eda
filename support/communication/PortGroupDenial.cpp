#include "support/communication/PortGroupDenial.h"

#include "support/platform/TextConversion.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace zeph::windows::communication {

namespace {

bool sessionHasGroup(gid_t group) {
    if (::getegid() == group) {
        return true;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    return count > 0 && std::find(groups.begin(), groups.begin() + count, group) != groups.begin() + count;
}

// The group database, not the session: what the account will have at its next login.
bool accountHasGroup(gid_t group) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return false;
    }
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) {
            return false;
        }
    }
    return std::find(groups.begin(), groups.begin() + count, group) != groups.begin() + count;
}

std::string groupName(gid_t group) {
    std::vector<char> buffer(16384);
    ::group entry{};
    ::group* found = nullptr;
    if (::getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return entry.gr_name;
    }
    return std::to_string(group);
}

}  // namespace

PortGroupDenial::PortGroupDenial(std::filesystem::path device, std::string group, bool addedSinceLogin)
    : device_(std::move(device)), group_(std::move(group)), addedSinceLogin_(addedSinceLogin) {}

std::optional<PortGroupDenial> PortGroupDenial::find(const std::filesystem::path& device) {
    struct stat status {};
    if (::stat(device.c_str(), &status) != 0) {
        return std::nullopt;
    }
    if (::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0 || errno != EACCES) {
        return std::nullopt;
    }
    constexpr mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if ((status.st_mode & groupReadWrite) != groupReadWrite || sessionHasGroup(status.st_gid)) {
        return std::nullopt;
    }
    std::error_code error;
    std::filesystem::path node = std::filesystem::canonical(device, error);
    return PortGroupDenial(error ? device : node, groupName(status.st_gid), accountHasGroup(status.st_gid));
}

std::optional<PortGroupDenial> PortGroupDenial::find(std::wstring_view devicePath,
                                                     const PortDirectory& directory) {
    const std::optional<std::filesystem::path> file = directory.fileOf(devicePath);
    return file ? find(*file) : std::nullopt;
}

std::wstring PortGroupDenial::advice() const {
    using platform::widen;
    const std::wstring group = widen(group_);
    std::wstring text =
        L"Permission denied: " + widen(device_.string()) + L" belongs to the group \"" + group + L"\", ";
    if (addedSinceLogin_) {
        return text + L"which your account joined after this session began. Log out and log in again.";
    }
    return text + L"which you are not in. Add yourself to it with\n    sudo usermod -aG " + group +
           L" $USER\nthen log out and log in again.";
}

}  // namespace zeph::windows::communication
