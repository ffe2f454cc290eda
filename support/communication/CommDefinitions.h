#pragma once

#include "support/platform/ErrorCodes.h"

// The Win32 communications constants and records under their Windows names, so that the
// serial code and its callers read like the Windows API they replace.
namespace zeph::windows::communication {

using platform::DWORD;

// Port events (SetCommMask, WaitCommEvent).
inline constexpr DWORD EV_RXCHAR = 0x0001;
inline constexpr DWORD EV_RXFLAG = 0x0002;
inline constexpr DWORD EV_TXEMPTY = 0x0004;
inline constexpr DWORD EV_CTS = 0x0008;
inline constexpr DWORD EV_DSR = 0x0010;
inline constexpr DWORD EV_RLSD = 0x0020;
inline constexpr DWORD EV_BREAK = 0x0040;
inline constexpr DWORD EV_ERR = 0x0080;
inline constexpr DWORD EV_RING = 0x0100;

// PurgeComm flags.
inline constexpr DWORD PURGE_TXABORT = 0x0001;
inline constexpr DWORD PURGE_RXABORT = 0x0002;
inline constexpr DWORD PURGE_TXCLEAR = 0x0004;
inline constexpr DWORD PURGE_RXCLEAR = 0x0008;

// Line errors reported by ClearCommError.
inline constexpr DWORD CE_RXOVER = 0x0001;
inline constexpr DWORD CE_OVERRUN = 0x0002;
inline constexpr DWORD CE_RXPARITY = 0x0004;
inline constexpr DWORD CE_FRAME = 0x0008;
inline constexpr DWORD CE_BREAK = 0x0010;

// DCB parity and stop-bit codes.
inline constexpr int NOPARITY = 0;
inline constexpr int ODDPARITY = 1;
inline constexpr int EVENPARITY = 2;
inline constexpr int MARKPARITY = 3;
inline constexpr int SPACEPARITY = 4;
inline constexpr int ONESTOPBIT = 0;
inline constexpr int ONE5STOPBITS = 1;
inline constexpr int TWOSTOPBITS = 2;

// DCB DTR and RTS control codes.
inline constexpr int DTR_CONTROL_DISABLE = 0;
inline constexpr int DTR_CONTROL_ENABLE = 1;
inline constexpr int DTR_CONTROL_HANDSHAKE = 2;
inline constexpr int RTS_CONTROL_DISABLE = 0;
inline constexpr int RTS_CONTROL_ENABLE = 1;
inline constexpr int RTS_CONTROL_HANDSHAKE = 2;

inline constexpr DWORD MAXDWORD = 0xFFFFFFFF;

// The status part of ClearCommError: bytes waiting in each direction.
struct COMSTAT {
    DWORD cbInQue = 0;
    DWORD cbOutQue = 0;
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};

// The fields of the Windows device control block that this program sets or reads.
struct DCB {
    DWORD BaudRate = 9600;
    int ByteSize = 8;
    int Parity = NOPARITY;
    int StopBits = ONESTOPBIT;
    bool fParity = false;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    int fDtrControl = DTR_CONTROL_ENABLE;
    int fRtsControl = RTS_CONTROL_ENABLE;
    bool fOutX = false;
    bool fInX = false;
    char EvtChar = 0;
};

}  // namespace zeph::windows::communication
