#pragma once
// What passes between the program and the TZK0001 device: the button codes it reports
// and the commands it is sent.
#include <cstdint>

namespace qp {

// Button codes read from the device; 0 means no press is pending.
constexpr uint32_t kNoButton = 0;
constexpr uint32_t kMediaButton = 129;       // slot 0 hidden, then the media player
constexpr uint32_t kVolumeUpButton = 130;
constexpr uint32_t kVolumeDownButton = 131;
constexpr uint32_t kSlot3Button = 132;       // slot 3 hidden

// Commands sent to the device. 0 to 25 are also the volume levels.
constexpr uint32_t kLedOff = 0;
constexpr uint32_t kLedOn = 1;
constexpr uint32_t kTopVolumeLevel = 25;
constexpr uint32_t kPowerQuery = 128;        // answer: 1-3 suspend, 4 hibernate, else nothing
constexpr uint32_t kStartNotice = 129;       // once per run, after the volume is set up
constexpr uint32_t kEndNotice = 130;         // after a volume change settles, and at log-off

}  // namespace qp
