#pragma once

#include "controlroom/LinkSettings.h"

#include <optional>
#include <string>

namespace quorvex::console {

// The control-room link as the operator configured it, kept in the application profile's
// "ControlRoom" section but for the secrets (ControlRoomSecrets). An empty URL turns the link off.
struct ControlRoomSettings {
    std::string url;  // without the password
    std::string password;
    std::string caFile;
    std::string certFile;
    std::string keyFile;
    std::string keyPassword;  // the client key's pass phrase, when it is encrypted

    static ControlRoomSettings load();
    // False when the profile cannot be written.
    bool save() const;
};

// The link's settings, or nothing when it is off or the URL is not one; the password of the
// profile, else of QUORVEX_PUBLISH_PASSWORD.
std::optional<link::LinkSettings> linkSettingsOf(const ControlRoomSettings& settings,
                                                 const std::string& journalPath);

}  // namespace quorvex::console
