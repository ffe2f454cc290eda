#pragma once

#include "support/platform/NamedValue.h"

// The serial line settings an operator can choose. Each set lists (all()) in ascending value
// order, which is the order the settings dialog offers them in.
namespace zeph::windows::communication {

// Value: bits per second; name: the decimal text.
class BaudRate final : public platform::NamedValue<BaudRate> {
public:
    static const BaudRate Baud110;
    static const BaudRate Baud300;
    static const BaudRate Baud600;
    static const BaudRate Baud1200;
    static const BaudRate Baud2400;
    static const BaudRate Baud4800;
    static const BaudRate Baud9600;
    static const BaudRate Baud14400;
    static const BaudRate Baud19200;
    static const BaudRate Baud38400;
    static const BaudRate Baud56000;
    static const BaudRate Baud57600;
    static const BaudRate Baud115200;
    static const BaudRate Baud128000;
    static const BaudRate Baud256000;

private:
    using NamedValue::NamedValue;
};
inline const BaudRate BaudRate::Baud110{110, L"110"};
inline const BaudRate BaudRate::Baud300{300, L"300"};
inline const BaudRate BaudRate::Baud600{600, L"600"};
inline const BaudRate BaudRate::Baud1200{1200, L"1200"};
inline const BaudRate BaudRate::Baud2400{2400, L"2400"};
inline const BaudRate BaudRate::Baud4800{4800, L"4800"};
inline const BaudRate BaudRate::Baud9600{9600, L"9600"};
inline const BaudRate BaudRate::Baud14400{14400, L"14400"};
inline const BaudRate BaudRate::Baud19200{19200, L"19200"};
inline const BaudRate BaudRate::Baud38400{38400, L"38400"};
inline const BaudRate BaudRate::Baud56000{56000, L"56000"};
inline const BaudRate BaudRate::Baud57600{57600, L"57600"};
inline const BaudRate BaudRate::Baud115200{115200, L"115200"};
inline const BaudRate BaudRate::Baud128000{128000, L"128000"};
inline const BaudRate BaudRate::Baud256000{256000, L"256000"};

// Value: bits per character.
class DataBits final : public platform::NamedValue<DataBits> {
public:
    static const DataBits Bits5;
    static const DataBits Bits6;
    static const DataBits Bits7;
    static const DataBits Bits8;

private:
    using NamedValue::NamedValue;
};
inline const DataBits DataBits::Bits5{5, L"5"};
inline const DataBits DataBits::Bits6{6, L"6"};
inline const DataBits DataBits::Bits7{7, L"7"};
inline const DataBits DataBits::Bits8{8, L"8"};

// Value: the DCB parity code.
class Parity final : public platform::NamedValue<Parity> {
public:
    static const Parity NoParity;
    static const Parity Odd;
    static const Parity Even;
    static const Parity Mark;
    static const Parity Space;

private:
    using NamedValue::NamedValue;
};
inline const Parity Parity::NoParity{0, L"None"};
inline const Parity Parity::Odd{1, L"Odd"};
inline const Parity Parity::Even{2, L"Even"};
inline const Parity Parity::Mark{3, L"Mark"};
inline const Parity Parity::Space{4, L"Space"};

// Value: the DCB stop-bit code.
class StopBits final : public platform::NamedValue<StopBits> {
public:
    static const StopBits One;
    static const StopBits OnePointFive;
    static const StopBits Two;

private:
    using NamedValue::NamedValue;
};
inline const StopBits StopBits::One{0, L"1"};
inline const StopBits StopBits::OnePointFive{1, L"1.5"};
inline const StopBits StopBits::Two{2, L"2"};

class FlowControl final : public platform::NamedValue<FlowControl> {
public:
    static const FlowControl NoFlowControl;
    static const FlowControl Hardware;
    static const FlowControl Software;

private:
    using NamedValue::NamedValue;
};
inline const FlowControl FlowControl::NoFlowControl{1, L"None"};
inline const FlowControl FlowControl::Hardware{2, L"Hardware (RTS/CTS)"};
inline const FlowControl FlowControl::Software{3, L"Software (XON/XOFF)"};

class ReadMode final : public platform::NamedValue<ReadMode> {
public:
    static const ReadMode NonBlocking;
    static const ReadMode Blocking;

private:
    using NamedValue::NamedValue;
};
inline const ReadMode ReadMode::NonBlocking{1, L"Non-Blocking"};
inline const ReadMode ReadMode::Blocking{2, L"Blocking"};

}  // namespace zeph::windows::communication
