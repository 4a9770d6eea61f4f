#include "device/volume_range.h"

#include <algorithm>

#include "device/device_codes.h"

namespace qp {

VolumeRange VolumeRange::FromControl(uint32_t minimum, uint32_t maximum) {
    VolumeRange range;
    range.minimum = minimum;
    range.maximum = maximum != 0 ? maximum : 0xFFFF;
    range.step = range.Usable() ? (range.maximum - range.minimum) / kTopVolumeLevel : 0;
    return range;
}

uint32_t VolumeRange::Clamp(uint32_t value) const {
    if (value > maximum) return maximum;
    if (value < minimum) return minimum;
    return value;
}

uint32_t VolumeRange::Up(uint32_t current) const {
    const uint32_t next = current + MoveStep();
    return next < current ? maximum : next;
}

uint32_t VolumeRange::Down(uint32_t current) const {
    const uint32_t next = current - MoveStep();
    return next > current ? minimum : next;
}

uint32_t VolumeRange::Level(uint32_t value) const {
    if (step != 0) return std::min(value / step, kTopVolumeLevel);
    if (!Usable()) return 0;
    const uint64_t above = Clamp(value) - minimum;
    return static_cast<uint32_t>(above * kTopVolumeLevel / (maximum - minimum));
}

}  // namespace qp
