#pragma once

#include <string>
#include <string_view>

namespace quorvex::link {

// The environment variable that holds the broker's password, so that it never has to be on a
// command line (where the process list shows it).
inline constexpr const char* PasswordVariable = "QUORVEX_PUBLISH_PASSWORD";
// The same for the pass phrase of an encrypted client key (never asked on the terminal).
inline constexpr const char* KeyPasswordVariable = "QUORVEX_PUBLISH_KEY_PASSWORD";

// Where the link publishes: mqtt://[user[:password]@]host[:port]/prefix, or mqtts:// for TLS.
struct LinkUrl {
    bool secure = false;
    std::string user;
    std::string password;
    std::string host;
    int port = 1883;
    std::string prefix;  // topics are <prefix>/<serial>/...
};

// Reads a URL; returns an error text for a person, or "".
std::string parseLinkUrl(std::string_view text, LinkUrl& url);

// The broker as shown to the operator and in the log: never the password.
std::string brokerName(const LinkUrl& url);

// Overwrites a password in a command-line argument with asterisks, so that the process list
// shows it no longer; other arguments stay as they are.
void hidePassword(char* argument);

// This machine's name, for a client id the broker can tell from the other laptops'.
std::string hostName();

// The password of the environment variable, when it is set and the URL carries none.
void applyPasswordVariable(LinkUrl& url);
// The key's pass phrase of its environment variable, "" when unset.
std::string keyPasswordVariable();

}  // namespace quorvex::link
