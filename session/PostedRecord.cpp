#include "session/PostedRecord.h"

#include "device/EventRecords.h"
#include "device/FailureNotice.h"
#include "device/QuorvexMessages.h"

namespace quorvex::console {

PostedRecord::~PostedRecord() {
    if (message_ == WM_QUORVEX_FAILED_TO_SEND || message_ == WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE) {
        delete reinterpret_cast<FailureNotice*>(lParam_);
    } else {
        deleteEventRecord(message_, lParam_);
    }
}

}  // namespace quorvex::console
