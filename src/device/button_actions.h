#pragma once
// What a hardware button can make the program do.

namespace qp {

class ButtonActions {
public:
    virtual ~ButtonActions() = default;
    virtual void LaunchSlotHidden(int slot) = 0;
    virtual void LaunchMediaPlayer() = 0;
    virtual void VolumeUp() = 0;
    virtual void VolumeDown() = 0;
};

}  // namespace qp
