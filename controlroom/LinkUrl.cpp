#include "controlroom/LinkUrl.h"

#include <charconv>
#include <cstdlib>

#include <unistd.h>

namespace quorvex::link {

namespace {

std::string readPort(std::string_view text, LinkUrl& url) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) {
        return "the port \"" + std::string(text) + "\" is not a number from 1 to 65535";
    }
    url.port = port;
    return {};
}

std::string readAuthority(std::string_view authority, LinkUrl& url) {
    const auto colon = authority.rfind(':');
    url.host = std::string(authority.substr(0, colon));
    if (url.host.empty()) {
        return "the URL names no host";
    }
    return colon == std::string_view::npos ? std::string() : readPort(authority.substr(colon + 1), url);
}

}  // namespace

std::string parseLinkUrl(std::string_view text, LinkUrl& url) {
    url = LinkUrl{};
    if (text.starts_with("mqtts://")) {
        url.secure = true;
        url.port = 8883;
        text.remove_prefix(8);
    } else if (text.starts_with("mqtt://")) {
        text.remove_prefix(7);
    } else {
        return "a broker's URL starts with mqtt:// or mqtts://";
    }
    // The credentials end at the last '@': a password may hold '/' or '@' unencoded, and no error
    // below ever shows a part of it.
    if (const auto at = text.rfind('@'); at != std::string_view::npos) {
        const std::string_view credentials = text.substr(0, at);
        const auto colon = credentials.find(':');
        url.user = std::string(credentials.substr(0, colon));
        if (colon != std::string_view::npos) {
            url.password = std::string(credentials.substr(colon + 1));
        }
        text.remove_prefix(at + 1);
    }
    const auto slash = text.find('/');
    if (const std::string error = readAuthority(text.substr(0, slash), url); !error.empty()) {
        return error;
    }
    url.prefix = slash == std::string_view::npos ? std::string() : std::string(text.substr(slash + 1));
    while (url.prefix.ends_with('/')) {
        url.prefix.pop_back();
    }
    if (url.prefix.empty()) {
        return "the URL names no topic prefix (mqtt://host/quorvex)";
    }
    if (url.prefix.find_first_of("+#") != std::string::npos) {
        return "a topic prefix holds no + or #";
    }
    return {};
}

std::string brokerName(const LinkUrl& url) {
    const std::string user = url.user.empty() ? std::string() : url.user + "@";
    return std::string(url.secure ? "mqtts://" : "mqtt://") + user + url.host + ":" +
           std::to_string(url.port) + "/" + url.prefix;
}

void hidePassword(char* argument) {
    const std::string_view text(argument);
    const auto scheme = text.find("://");
    const std::string_view before = text.substr(0, scheme);
    // "mqtt://..." after --publish, or "--publish=mqtt://..." in one argument.
    const bool url = before.ends_with("mqtt") || before.ends_with("mqtts");
    if (scheme == std::string_view::npos || !url || !(text.starts_with("mqtt") || text.starts_with("--"))) {
        return;
    }
    const auto at = text.rfind('@');
    const auto colon = text.find(':', scheme + 3);
    for (auto i = colon + 1; at != std::string_view::npos && colon < at && i < at; ++i) {
        argument[i] = '*';
    }
}

std::string hostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string("laptop");
}

void applyPasswordVariable(LinkUrl& url) {
    if (const char* password = std::getenv(PasswordVariable); password != nullptr && url.password.empty()) {
        url.password = password;
    }
}

std::string keyPasswordVariable() {
    const char* phrase = std::getenv(KeyPasswordVariable);
    return phrase != nullptr ? std::string(phrase) : std::string();
}

}  // namespace quorvex::link
