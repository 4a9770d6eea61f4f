#pragma once
// A Mixer holding one speakers volume control, with failures a test can switch on and
// counts of the calls. Writes that reach it while it is closed are counted apart, so a
// test can prove none happen.
#include <atomic>
#include <cstdint>

#include "device/mixer.h"

namespace qp::test {

class FakeMixer : public Mixer {
public:
    uint32_t DeviceCount() override { return deviceCount; }
    bool Open() override {
        ++opens;
        if (failOpen) return false;
        open = true;
        return true;
    }
    bool ReadCapabilities() override { return !failCapabilities; }
    bool FindSpeakersVolume(MixerVolumeControl& control) override {
        if (!hasSpeakersVolume) return false;
        control = {minimum, maximum, controlId};
        return true;
    }
    bool ReadValue(uint32_t id, uint32_t& out) override {
        ++reads;
        if (!open || id != controlId) ++callsWhileClosedOrWrongId;
        if (failRead) return false;
        out = value;
        return true;
    }
    bool WriteValue(uint32_t id, uint32_t in) override {
        ++writes;
        if (!open || id != controlId) ++callsWhileClosedOrWrongId;
        if (failWrite) return false;
        value = in;
        return true;
    }
    bool Close() override {
        ++closes;
        open = false;
        return !failClose;
    }

    // The device as the mixer layer sees it.
    uint32_t deviceCount = 1;
    bool hasSpeakersVolume = true;
    uint32_t minimum = 0;
    uint32_t maximum = 65535;
    uint32_t controlId = 7;
    uint32_t value = 0;

    bool failOpen = false;
    bool failCapabilities = false;
    bool failRead = false;
    bool failWrite = false;
    bool failClose = false;

    bool open = false;
    std::atomic<int> opens{0}, reads{0}, writes{0}, closes{0}, callsWhileClosedOrWrongId{0};
};

}  // namespace qp::test
