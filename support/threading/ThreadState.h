#pragma once

#include "support/platform/NamedValue.h"

namespace zeph::windows::system::threading {

// Where a worker thread is in its life; shown and logged by name.
class ThreadState final : public platform::NamedValue<ThreadState> {
public:
    static const ThreadState Stopped;
    static const ThreadState Suspended;
    static const ThreadState Run;
    static const ThreadState Wait;
    static const ThreadState Idle;  // a member of the set that no operation enters

private:
    using NamedValue::NamedValue;
};
inline const ThreadState ThreadState::Stopped{1, L"Stopped"};
inline const ThreadState ThreadState::Suspended{2, L"Suspended"};
inline const ThreadState ThreadState::Run{3, L"Run"};
inline const ThreadState ThreadState::Wait{4, L"Wait"};
inline const ThreadState ThreadState::Idle{5, L"Idle"};

}  // namespace zeph::windows::system::threading
