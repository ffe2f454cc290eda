#include "support/platform/Wait.h"

#include "support/platform/LastError.h"
#include "support/platform/WaitRegistry.h"

#include <algorithm>
#include <array>

namespace zeph::platform {

namespace {

// Taking the same object twice at once has no meaning; Windows refuses it too.
bool hasDuplicates(std::span<KernelObject* const> list) {
    std::array<KernelObject*, MAXIMUM_WAIT_OBJECTS> sorted{};
    const auto end = std::copy(list.begin(), list.end(), sorted.begin());
    std::sort(sorted.begin(), end);
    return std::adjacent_find(sorted.begin(), end) != end;
}

}  // namespace

DWORD waitForSingleObject(const Handle& object, DWORD timeoutMs) {
    return waitForMultipleObjects(std::span<const Handle>(&object, 1), false, timeoutMs);
}

DWORD waitForMultipleObjects(std::span<const Handle> objects, bool waitAll, DWORD timeoutMs) {
    if (objects.empty() || objects.size() > MAXIMUM_WAIT_OBJECTS) {
        setLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    // Our own references: the objects stay alive while we wait, whoever drops theirs meanwhile.
    std::array<Handle, MAXIMUM_WAIT_OBJECTS> held;
    std::array<KernelObject*, MAXIMUM_WAIT_OBJECTS> raw{};
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (!objects[i]) {
            setLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        held[i] = objects[i];
        raw[i] = held[i].get();
    }
    const std::span<KernelObject* const> list(raw.data(), objects.size());
    if (waitAll && hasDuplicates(list)) {
        setLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return WaitRegistry::wait(list, waitAll, timeoutMs);
}

DWORD waitForMultipleObjects(std::initializer_list<Handle> objects, bool waitAll, DWORD timeoutMs) {
    return waitForMultipleObjects(std::span<const Handle>(objects.begin(), objects.size()), waitAll,
                                  timeoutMs);
}

}  // namespace zeph::platform
