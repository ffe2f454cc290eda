#pragma once

#include "support/communication/Serial.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/Event.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zeph::windows::system::threading {

using platform::DWORD;
using EventHandle = std::shared_ptr<platform::Event>;

// Results of the read callback beyond the Win32 codes: the frame layer accepted a frame, or
// found its checksum wrong.
using platform::FRAME_ACCEPTED;
using platform::FRAME_CHECKSUM_ERROR;

// Formats one outbound item: the buffer may be grown or replaced; returns the length to write,
// or -1 when the item cannot be formatted. The handle is the caller's terminate event.
using FormatCallback =
    std::function<int(const EventHandle& handle, std::vector<std::uint8_t>& buffer, DWORD length)>;
// Reports a finished write: abort event, bytes, length, writePort's result, the item's tag.
using WriteCompleteCallback = std::function<void(const EventHandle& abort, const std::uint8_t* bytes,
                                                 const DWORD& length, const DWORD& result, const DWORD& tag)>;
// Parses received bytes: abort event, start, length, out: bytes the caller may drop.
using ReadCallback = std::function<DWORD(const EventHandle& abort, const std::uint8_t* bytes,
                                         const DWORD& length, DWORD& consumed)>;
using SecondReadCallback =
    std::function<void(const EventHandle& abort, const std::uint8_t* bytes, const DWORD& length)>;

// The creation parameter of both serial threads; valid only during initThread.
struct SerialThreadParams {
    communication::Serial* port = nullptr;
    FormatCallback format;
    WriteCompleteCallback writeComplete;
    ReadCallback read;
    SecondReadCallback secondRead;
};

}  // namespace zeph::windows::system::threading
