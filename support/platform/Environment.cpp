#include "support/platform/Environment.h"

#include "support/platform/TextConversion.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace zeph::platform {
namespace {

std::optional<std::wstring> variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return widenPath(value);
}

std::wstring upperAscii(std::wstring_view text) {
    std::wstring upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; });
    return upper;
}

std::optional<std::wstring> lookUp(std::wstring_view name) {
    if (name.empty() || name.find_first_of(std::wstring_view(L"=\0", 2)) != std::wstring_view::npos) {
        return std::nullopt;
    }
    if (auto value = variable(narrow(name))) {
        return value;
    }
    const std::wstring upper = upperAscii(name);
    if (upper != L"TEMP" && upper != L"TMP") {
        return std::nullopt;
    }
    if (auto value = variable(narrow(upper))) {
        return value;
    }
    if (auto value = variable("TMPDIR")) {
        return value;
    }
    return L"/tmp";
}

}  // namespace

std::wstring expandEnvironmentStrings(std::wstring_view text) {
    std::wstring expanded;
    expanded.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find(L'%', at);
        expanded += text.substr(at, open - at);
        if (open == std::wstring_view::npos) {
            break;
        }
        const std::size_t close = text.find(L'%', open + 1);
        const auto value =
            close == std::wstring_view::npos ? std::nullopt : lookUp(text.substr(open + 1, close - open - 1));
        if (value) {
            expanded += *value;
        } else if (close != std::wstring_view::npos) {
            expanded += text.substr(open, close - open + 1);
        } else {
            expanded += text.substr(open);
            break;
        }
        at = close + 1;
    }
    return expanded;
}

std::wstring joinPath(std::wstring_view folder, std::wstring_view name) {
    if (folder.empty()) {
        return std::wstring(name);
    }
    const std::size_t folderEnd = folder.find_last_not_of(L'/');
    const std::size_t nameStart = name.find_first_not_of(L'/');
    std::wstring path(folderEnd == std::wstring_view::npos ? std::wstring_view()
                                                           : folder.substr(0, folderEnd + 1));
    path += L'/';
    if (nameStart != std::wstring_view::npos) {
        path += name.substr(nameStart);
    }
    return path;
}

}  // namespace zeph::platform
