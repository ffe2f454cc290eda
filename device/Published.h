#pragma once

#include <mutex>
#include <utility>

// A record that one thread writes as a whole and others read as a whole: readers always get a
// consistent copy. For the rarely written texts of the device state, never for the hot path.
template <typename T>
class Published {
public:
    T load() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void store(T value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }

private:
    mutable std::mutex mutex_;  //!< Guards value_ for the moment of a copy.
    T value_{};
};
