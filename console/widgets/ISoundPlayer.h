#pragma once

namespace quorvex::console {

// The console's sound events; their sounds are the desktop theme's, by event id.
enum class SoundEvent { Passage, Ignored, Triggered, Overdue };

// The event id the desktop's sound theme knows the event by.
constexpr const char* soundEventId(SoundEvent event) {
    switch (event) {
        case SoundEvent::Passage:
            return "Telvane_PassageEvent";
        case SoundEvent::Ignored:
            return "Telvane_IgnoredEvent";
        case SoundEvent::Triggered:
            return "Telvane_TriggeredEvent";
        case SoundEvent::Overdue:
            return "Telvane_OverdueEvent";
    }
    return "";
}

// Plays a sound event without blocking the caller; silent when the desktop has no sound for it.
// Tests use a recorder instead of a sound card.
class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    virtual void play(SoundEvent event) = 0;
};

}  // namespace quorvex::console
