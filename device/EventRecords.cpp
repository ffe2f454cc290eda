#include "device/EventRecords.h"

#include "device/QuorvexMessages.h"

namespace {

template <typename Record>
bool deleteAs(zeph::platform::LPARAM lParam) {
    delete reinterpret_cast<Record*>(lParam);
    return true;
}

}  // namespace

bool deleteEventRecord(zeph::platform::UINT message, zeph::platform::LPARAM lParam) {
    if (lParam == 0) {
        return false;
    }
    if (message == WM_QUORVEX_ON_STREAMING_EVT) {
        return deleteAs<StreamingSample>(lParam);
    }
    if (message == WM_QUORVEX_ON_GAIN_EVT) {
        return deleteAs<GainRecord>(lParam);
    }
    if (message == WM_QUORVEX_ON_INIT_EVT) {
        return deleteAs<InitRecord>(lParam);
    }
    if (message == WM_QUORVEX_ON_PASSAGE_EVT || message == WM_QUORVEX_ON_IGNORED_EVT) {
        return deleteAs<PassageRecord>(lParam);
    }
    if (message == WM_QUORVEX_ON_REC_TRGRD_EVT) {
        return deleteAs<RecordTriggeredRecord>(lParam);
    }
    if (message == WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT) {
        return deleteAs<ChannelChangeRecord>(lParam);
    }
    if (message == WM_QUORVEX_ON_GPS_INFO_EVT) {
        return deleteAs<GpsRecord>(lParam);
    }
    if (message == WM_QUORVEX_ON_REC_CHNG_EVT) {
        return deleteAs<RecordModeRecord>(lParam);
    }
    return false;
}
