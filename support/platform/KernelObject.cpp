#include "support/platform/KernelObject.h"

namespace zeph::platform {

// A wait holds its objects alive, so none is registered here by the time the last handle goes.
KernelObject::~KernelObject() = default;

}  // namespace zeph::platform
