#include "device/button_dispatch.h"

#include "device/device_codes.h"

namespace qp {
namespace {

struct ButtonRoute {
    uint32_t code;
    void (*act)(ButtonActions&);
};

constexpr ButtonRoute kButtonRoutes[] = {
    {kMediaButton, [](ButtonActions& a) { a.LaunchSlotHidden(0); a.LaunchMediaPlayer(); }},
    {kVolumeUpButton, [](ButtonActions& a) { a.VolumeUp(); }},
    {kVolumeDownButton, [](ButtonActions& a) { a.VolumeDown(); }},
    {kSlot3Button, [](ButtonActions& a) { a.LaunchSlotHidden(3); }},
};

}  // namespace

bool DispatchButtonCode(uint32_t code, ButtonActions& actions) {
    for (const ButtonRoute& route : kButtonRoutes) {
        if (route.code == code) {
            route.act(actions);
            return true;
        }
    }
    return false;
}

void PollHardwareButtons(DevicePort& device, ButtonActions& actions) {
    if (!device.IsOpen()) return;
    DispatchButtonCode(device.ReadButtonCode(), actions);
}

}  // namespace qp
