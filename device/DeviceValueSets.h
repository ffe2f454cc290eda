#pragma once

#include "support/platform/NamedValue.h"

// The named value sets of the device stack. Holders keep a pointer or a copy of a constant.

class ConnectionState final : public zeph::platform::NamedValue<ConnectionState> {
public:
    static const ConnectionState Disconnected;
    static const ConnectionState Connecting;
    static const ConnectionState Connected;

private:
    using NamedValue::NamedValue;
};
inline const ConnectionState ConnectionState::Disconnected{1, L"Disconnected"};
inline const ConnectionState ConnectionState::Connecting{2, L"Connecting"};
inline const ConnectionState ConnectionState::Connected{3, L"Connected"};

class OperatingMode final : public zeph::platform::NamedValue<OperatingMode> {
public:
    static const OperatingMode Command;
    static const OperatingMode Streaming;

private:
    using NamedValue::NamedValue;
};
inline const OperatingMode OperatingMode::Command{1, L"Command"};
inline const OperatingMode OperatingMode::Streaming{2, L"Streaming"};

class StreamingState final : public zeph::platform::NamedValue<StreamingState> {
public:
    static const StreamingState Stopped;
    static const StreamingState Beginning;
    static const StreamingState Playing;
    static const StreamingState Ending;
    static const StreamingState Paused;

private:
    using NamedValue::NamedValue;
};
inline const StreamingState StreamingState::Stopped{1, L"Stopped"};
inline const StreamingState StreamingState::Beginning{2, L"Beginning"};
inline const StreamingState StreamingState::Playing{3, L"Playing"};
inline const StreamingState StreamingState::Ending{4, L"Ending"};
inline const StreamingState StreamingState::Paused{5, L"Paused"};

class RecordMode final : public zeph::platform::NamedValue<RecordMode> {
public:
    static const RecordMode Automatic;
    static const RecordMode Manual;

private:
    using NamedValue::NamedValue;
};
inline const RecordMode RecordMode::Automatic{1, L"Automatic"};
inline const RecordMode RecordMode::Manual{2, L"Manual"};

class InterfaceId final : public zeph::platform::NamedValue<InterfaceId> {
public:
    static const InterfaceId UserInterface;
    static const InterfaceId CommandAndControlInterface;
    static const InterfaceId HealthCheckInterface;
    static const InterfaceId MessageDispacthInterface;

private:
    using NamedValue::NamedValue;
};
inline const InterfaceId InterfaceId::UserInterface{1, L"UserInterface"};
inline const InterfaceId InterfaceId::CommandAndControlInterface{2, L"CommandAndControlInterface"};
inline const InterfaceId InterfaceId::HealthCheckInterface{3, L"HealthCheckInterface"};
inline const InterfaceId InterfaceId::MessageDispacthInterface{4, L"MessageDispacthInterface"};
