#pragma once

#include <string>

namespace quorvex::tracker {

// Tells systemd (Type=notify) a state such as "READY=1" through $NOTIFY_SOCKET; nothing when
// the program was not started by it.
void notifySystemd(const std::string& state);

}  // namespace quorvex::tracker
