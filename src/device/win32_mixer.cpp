#include "device/win32_mixer.h"

namespace qp {
namespace {

// The records the 32-bit program hands the mixer; the 64-bit build takes the headers' own.
#ifndef _WIN64
static_assert(sizeof(MIXERCAPSA) == 48);
static_assert(sizeof(MIXERLINEA) == 168);
static_assert(sizeof(MIXERLINECONTROLSA) == 24);
static_assert(sizeof(MIXERCONTROLA) == 148);
static_assert(sizeof(MIXERCONTROLDETAILS) == 24);
#endif

// One value for all channels.
MIXERCONTROLDETAILS DetailsFor(uint32_t controlId, MIXERCONTROLDETAILS_UNSIGNED* value) {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.cMultipleItems = 0;
    details.cbDetails = sizeof *value;
    details.paDetails = value;
    return details;
}

}  // namespace

uint32_t Win32Mixer::DeviceCount() { return mixerGetNumDevs(); }

bool Win32Mixer::Open() {
    Close();
    capabilities_ = MIXERCAPSA{};
    HMIXER opened = nullptr;
    if (mixerOpen(&opened, 0, reinterpret_cast<DWORD_PTR>(window_.load()), 0, CALLBACK_WINDOW) !=
        MMSYSERR_NOERROR)
        return false;
    handle_ = opened;
    return true;
}

bool Win32Mixer::ReadCapabilities() {
    return mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(handle_), &capabilities_,
                            sizeof capabilities_) == MMSYSERR_NOERROR;
}

bool Win32Mixer::FindSpeakersVolume(MixerVolumeControl& found) {
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoA(Object(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return false;

    MIXERCONTROLA control{};
    MIXERLINECONTROLSA controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    if (mixerGetLineControlsA(Object(), &controls,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR)
        return false;

    found.minimum = control.Bounds.dwMinimum;
    found.maximum = control.Bounds.dwMaximum;
    found.controlId = control.dwControlID;
    return true;
}

bool Win32Mixer::ReadValue(uint32_t controlId, uint32_t& value) {
    MIXERCONTROLDETAILS_UNSIGNED detail{};
    MIXERCONTROLDETAILS details = DetailsFor(controlId, &detail);
    if (mixerGetControlDetailsA(Object(), &details,
                                MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return false;
    value = detail.dwValue;
    return true;
}

bool Win32Mixer::WriteValue(uint32_t controlId, uint32_t value) {
    MIXERCONTROLDETAILS_UNSIGNED detail{};
    detail.dwValue = value;
    MIXERCONTROLDETAILS details = DetailsFor(controlId, &detail);
    return mixerSetControlDetails(Object(), &details,
                                  MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

bool Win32Mixer::Close() {
    if (!handle_) return true;
    const bool closed = mixerClose(handle_) == MMSYSERR_NOERROR;
    handle_ = nullptr;
    return closed;
}

}  // namespace qp
