#pragma once
// VolumeTimer: window timer 1 of the button bar, 5000 ms. Its expiry tells the device
// that the volume has settled.

namespace qp {

class VolumeTimer {
public:
    virtual ~VolumeTimer() = default;
    // Starts the 5 seconds again, killing a running count. Callable from any thread.
    virtual void Restart() = 0;
    // Stops the timer. Only on the thread that receives its expiry.
    virtual void Kill() = 0;
};

}  // namespace qp
