#pragma once

#include "discovery/BluetoothDevice.h"
#include "discovery/QuorvexEnumThread.h"
#include "discovery/QuorvexStatus.h"
#include "support/threading/ThreadImpl.h"

#include <boost/signals2/connection.hpp>

#include <cstdint>
#include <memory>
#include <string>

namespace zeph::windows::discovery {

// One QUORVEX unit listed in the survey, with the worker that examines it.
struct SurveyEntry {
    std::unique_ptr<BluetoothDevice> device;
    std::int32_t status = 0;
    std::wstring text;
    std::int32_t port = -1;
    platform::DWORD error = 0;                      // why the last failed step failed
    boost::signals2::scoped_connection connection;  // the survey's status slot
    std::unique_ptr<QuorvexStatusSignal> statusSignal;
    // Null when it could not be started.
    std::unique_ptr<system::threading::ThreadImpl<QuorvexEnumThread>> thread;
};

}  // namespace zeph::windows::discovery
