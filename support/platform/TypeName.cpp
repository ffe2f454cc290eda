#include "support/platform/TypeName.h"

namespace zeph::platform {

std::string windowsClassName(const std::string& demangledName) {
    std::string result;
    result.reserve(demangledName.size() + 32);
    for (std::size_t i = 0; i < demangledName.size(); ++i) {
        const char c = demangledName[i];
        if (c == '>' && !result.empty() && result.back() == '>') {
            result += ' ';
        }
        result += c;
        if (c == '<' || (c == ',' && i + 1 < demangledName.size())) {
            std::size_t next = i + 1;
            while (next < demangledName.size() && demangledName[next] == ' ') {
                ++next;
            }
            if (c == ',') {
                result += ' ';
            }
            i = next - 1;
            result += "class ";
        }
    }
    return result;
}

}  // namespace zeph::platform
