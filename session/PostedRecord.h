#pragma once

#include "support/platform/WindowTypes.h"

namespace quorvex::console {

// The heap record that came with a message of the device stack, freed exactly once when this
// goes out of scope, whatever the handler did with it. Failure notices included.
class PostedRecord {
public:
    PostedRecord(zeph::platform::UINT message, zeph::platform::LPARAM lParam)
        : message_(message), lParam_(lParam) {}
    ~PostedRecord();
    PostedRecord(const PostedRecord&) = delete;
    PostedRecord& operator=(const PostedRecord&) = delete;

    template <typename Record>
    const Record* as() const {
        return reinterpret_cast<const Record*>(lParam_);
    }

private:
    zeph::platform::UINT message_;
    zeph::platform::LPARAM lParam_;
};

}  // namespace quorvex::console
