#pragma once

namespace zeph::memory {

// Private base of objects that own a thread or other handles: copying one would give two owners.
class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};

}  // namespace zeph::memory
