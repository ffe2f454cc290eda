#pragma once

#include "discovery/BluetoothDevice.h"
#include "support/platform/ErrorCodes.h"

#include <boost/signals2/signal.hpp>

#include <cstdint>
#include <string>

namespace zeph::windows::discovery {

// One step of a unit's examination, reported by its QuorvexEnumThread. The receiver reads it
// during the call and copies what it keeps.
struct tagQUORVEX_STATUS {
    const BluetoothDevice* device = nullptr;  // the survey's copy of the unit
    // 0 a step under way or succeeded, 1 a step failed, 2 (shown, never produced), 3 ready.
    std::int32_t status = 0;
    std::wstring text;
    std::int32_t port = -1;     // the COM number once verified
    platform::DWORD error = 0;  // why a step failed, so the survey can name the cause
};

inline constexpr std::int32_t QUORVEX_STATUS_BUSY = 0;
inline constexpr std::int32_t QUORVEX_STATUS_FAILED = 1;
inline constexpr std::int32_t QUORVEX_STATUS_ERROR = 2;
inline constexpr std::int32_t QUORVEX_STATUS_READY = 3;

using QuorvexStatusSignal = boost::signals2::signal<void(const tagQUORVEX_STATUS&)>;

}  // namespace zeph::windows::discovery
