#pragma once

#include "support/platform/KernelObject.h"

#include <memory>
#include <string_view>

namespace zeph::platform {

struct OwnedMutexes;

// A Win32 mutex: recursive, owned by a thread, abandoned when its owner ends without
// releasing it (the next wait that takes it reports WAIT_ABANDONED_0 + i). A named mutex is
// one object per name within the process: a second create with the same name returns the
// same object and leaves ERROR_ALREADY_EXISTS as the last error.
class Mutex final : public KernelObject {
public:
    static std::shared_ptr<Mutex> create(bool initiallyOwned, std::wstring_view name = {});

    // False with ERROR_NOT_OWNER when the calling thread does not own it.
    bool release();

    ~Mutex() override;

private:
    friend struct OwnedMutexes;
    struct Private;
    Mutex();
    bool isSignalledFor(const WaitingThread& thread) const override;
    bool acquireFor(const WaitingThread& thread) override;
    void abandon();
    std::unique_ptr<Private> d_;
};

}  // namespace zeph::platform
