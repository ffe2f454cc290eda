#include "console/ControlRoomSettings.h"

#include "console/ControlRoomSecrets.h"
#include "support/platform/TextConversion.h"
#include "support/ui/ApplicationProfile.h"

#include <unistd.h>

namespace quorvex::console {

namespace {

using zeph::windows::ui::ApplicationProfile;

constexpr const wchar_t* Section = L"ControlRoom";
constexpr const char* PasswordSecret = "broker-password";
constexpr const char* KeyPasswordSecret = "key-password";

std::string read(const wchar_t* entry) {
    return zeph::platform::narrow(ApplicationProfile::getProfileString(Section, entry, L""));
}

bool write(const wchar_t* entry, const std::string& value) {
    return ApplicationProfile::writeProfileString(Section, entry, zeph::platform::widen(value));
}

}  // namespace

ControlRoomSettings ControlRoomSettings::load() {
    // A password an earlier version kept in the profile moves to the keyring (or its file), once.
    if (const std::string old = read(L"Password");
        !old.empty() && ControlRoomSecrets::write(PasswordSecret, old)) {
        write(L"Password", "");
    }
    return {read(L"Url"),     ControlRoomSecrets::read(PasswordSecret),   read(L"CaFile"), read(L"CertFile"),
            read(L"KeyFile"), ControlRoomSecrets::read(KeyPasswordSecret)};
}

bool ControlRoomSettings::save() const {
    return write(L"Url", url) && write(L"Password", "") && write(L"CaFile", caFile) &&
           write(L"CertFile", certFile) && write(L"KeyFile", keyFile) &&
           ControlRoomSecrets::write(PasswordSecret, password) &&
           ControlRoomSecrets::write(KeyPasswordSecret, keyPassword);
}

std::optional<link::LinkSettings> linkSettingsOf(const ControlRoomSettings& settings,
                                                 const std::string& journalPath) {
    link::LinkSettings link;
    if (settings.url.empty() || !link::parseLinkUrl(settings.url, link.url).empty()) {
        return std::nullopt;
    }
    if (!settings.password.empty()) {
        link.url.password = settings.password;
    }
    link::applyPasswordVariable(link.url);
    link.caFile = settings.caFile;
    link.certFile = settings.certFile;
    link.keyFile = settings.keyFile;
    link.keyPassword = settings.keyPassword;
    link.journalPath = journalPath;
    link.clientId = "quorvex-console-" + link::hostName() + "-" + std::to_string(::getpid());
    return link;
}

}  // namespace quorvex::console
