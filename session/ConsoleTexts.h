#pragma once

namespace quorvex::console {

// The words of the console's message pane and boxes.
inline constexpr const char* ReadyText = "Ready";
inline constexpr const char* AttemptingToConnectText = "Attempting to connect to the QUORVEX unit";
inline constexpr const char* VerifyingConnectionText = "Verifying connection to the QUORVEX unit.";
inline constexpr const char* BatteryPollingText = "Streaming paused for ADC Battery polling.";
inline constexpr const char* FailedToConnectText = "Failed to connect!";
// Followed by the cause the operator can act on.
inline constexpr const char* FailedToConnectCauseText = "Failed to connect: ";
inline constexpr const char* UnitSilentText = "Unable to communicate with the QUORVEX device!";
inline constexpr const char* UnitUnreachableText =
    "The QUORVEX unit does not answer over Bluetooth: switch it on, bring it within range and connect "
    "again.";
inline constexpr const char* M450OnlyText = "This option only available on the QUORVEX M450.";

}  // namespace quorvex::console
