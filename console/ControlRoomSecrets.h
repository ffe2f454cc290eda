#pragma once

#include <optional>
#include <string>

namespace quorvex::console {

// Where the control-room link's secrets (the broker's password, a key's pass phrase) are kept:
// the desktop's keyring through the Secret Service, or, only where no keyring answers, a file
// of mode 0600 beside the profile. Never the profile itself.
class ControlRoomSecrets {
public:
    enum class Place { Keyring, File };

    // The secret of the name, "" when none is kept.
    static std::string read(const std::string& name);
    // Keeps the secret ("" forgets it); false when it could be kept nowhere.
    static bool write(const std::string& name, const std::string& secret);
    // Where the last read or write kept its secret, for the operator.
    static Place place();
    static std::string placeText();
    // The fallback file of a secret.
    static std::string filePath(const std::string& name);
};

}  // namespace quorvex::console
