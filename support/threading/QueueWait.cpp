#include "support/threading/QueueWait.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"

namespace zeph::windows::system::threading {

using namespace logging;

namespace {

const wchar_t* resultName(platform::DWORD result) {
    switch (result) {
        case platform::ERROR_SUCCESS:
            return L"ERROR_SUCCESS";
        case platform::WAIT_TIMEOUT:
            return L"WAIT_TIMEOUT";
        case platform::ERROR_CANCELLED:
            return L"ERROR_CANCELLED";
        default:
            return L"WAIT_FAILED";
    }
}

}  // namespace

platform::DWORD waitTerminateOr(const char* context, const platform::Handle& terminate,
                                const platform::Handle& object) {
    platform::DWORD result = platform::WAIT_FAILED;
    switch (platform::waitForMultipleObjects({terminate, object}, false, platform::INFINITE)) {
        case platform::WAIT_OBJECT_0:
        case platform::WAIT_ABANDONED_0:
            result = platform::ERROR_CANCELLED;
            break;
        case platform::WAIT_OBJECT_0 + 1:
        case platform::WAIT_ABANDONED_0 + 1:
            result = platform::ERROR_SUCCESS;
            break;
        case platform::WAIT_TIMEOUT:
            result = platform::WAIT_TIMEOUT;
            break;
        default:
            LogBeacon::logSystemError(context, platform::getLastError());
            break;
    }
    LogBeacon::log(context, DebugLevel3, resultName(result));
    return result;
}

}  // namespace zeph::windows::system::threading
