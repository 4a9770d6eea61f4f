#include "device/volume_control.h"

#include "device/device_codes.h"

namespace qp {

using Hold = std::lock_guard<std::mutex>;

bool VolumeControl::InitVolume() {
    OpenMixer();
    return FindMasterVolume();
}

bool VolumeControl::OpenMixer() {
    Hold hold(lock_);
    deviceCount_ = mixer_.DeviceCount();
    open_ = false;
    controlFound_ = false;
    range_ = VolumeRange{};
    controlId_ = 0;
    if (deviceCount_ == 0) return true;
    if (!mixer_.Open()) return false;
    open_ = true;
    return mixer_.ReadCapabilities();
}

bool VolumeControl::FindMasterVolume() {
    Hold hold(lock_);
    if (!open_) return false;
    MixerVolumeControl control;
    if (!mixer_.FindSpeakersVolume(control)) return false;
    range_ = VolumeRange::FromControl(control.minimum, control.maximum);
    controlId_ = control.controlId;
    controlFound_ = true;
    return true;
}

bool VolumeControl::GetVolume(uint32_t& value) {
    Hold hold(lock_);
    return GetVolumeLocked(value);
}

bool VolumeControl::GetVolumeLocked(uint32_t& value) {
    if (!open_ || !controlFound_) return false;
    uint32_t read = 0;
    if (!mixer_.ReadValue(controlId_, read)) return false;
    value = read;
    return true;
}

bool VolumeControl::SetVolume(uint32_t value) {
    Hold hold(lock_);
    return SetVolumeLocked(value);
}

bool VolumeControl::SetVolumeLocked(uint32_t value) {
    if (!CanStep()) return false;
    value = range_.Clamp(value);
    if (!mixer_.WriteValue(controlId_, value)) return false;
    const uint32_t level = range_.Level(value);
    timer_.Restart();
    device_.SendCommand(level);
    return true;
}

void VolumeControl::VolumeUp() {
    Hold hold(lock_);
    if (!CanStep()) return;
    GetVolumeLocked(current_);
    SetVolumeLocked(range_.Up(current_));
}

void VolumeControl::VolumeDown() {
    Hold hold(lock_);
    if (!CanStep()) return;
    GetVolumeLocked(current_);
    SetVolumeLocked(range_.Down(current_));
}

void VolumeControl::OnTimerExpired() {
    Hold hold(lock_);
    timer_.Kill();
    device_.SendCommand(kEndNotice);
}

bool VolumeControl::CloseMixer() {
    Hold hold(lock_);
    if (!open_) return true;
    open_ = false;
    return mixer_.Close();
}

VolumeControl::Snapshot VolumeControl::State() const {
    Hold hold(lock_);
    return {open_, controlFound_, deviceCount_, range_, controlId_, current_};
}

}  // namespace qp
