#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeph::windows::logging {

// One log level: exactly one bit (its identity) and a display name. Every object registers
// itself in an ordered registry on construction; the first object of a value wins, and an
// object leaves the registry when it is destroyed, so the registry never points at a dead one.
class LogVerbosity {
public:
    LogVerbosity(std::uint32_t value, std::wstring name);
    LogVerbosity(const LogVerbosity& other);
    LogVerbosity& operator=(const LogVerbosity&) = delete;
    ~LogVerbosity();

    std::uint32_t value() const { return value_; }
    const std::wstring& name() const { return name_; }

    // The registered levels in ascending value order, as a snapshot: levels may register from
    // any thread while a caller walks the list.
    static std::vector<const LogVerbosity*> registry();
    // The registered level of that value, or null.
    static const LogVerbosity* find(std::uint32_t value);

private:
    std::uint32_t value_;
    std::wstring name_;
};

extern const LogVerbosity DebugLevel1;
extern const LogVerbosity DebugLevel2;
extern const LogVerbosity DebugLevel3;
extern const LogVerbosity DebugLevel4;
extern const LogVerbosity Information;
extern const LogVerbosity Warning;
extern const LogVerbosity Error;
extern const LogVerbosity UIInfo;
extern const LogVerbosity AppSpecific1;
extern const LogVerbosity AppSpecific2;
extern const LogVerbosity AppSpecific3;
extern const LogVerbosity AppSpecific4;

}  // namespace zeph::windows::logging
