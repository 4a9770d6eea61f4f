#pragma once
// The speakers volume's bounds, its steps of one twenty-fifth of the range, and the
// levels 0 to 25 the device is told.
#include <cstdint>

namespace qp {

struct VolumeRange {
    // A control that reports maximum 0 is taken as 0 to 65535.
    static VolumeRange FromControl(uint32_t minimum, uint32_t maximum);

    // Below, a range with no room (maximum <= minimum) cannot be stepped at all, and
    // the buttons then do nothing.
    bool Usable() const { return maximum > minimum; }

    uint32_t Clamp(uint32_t value) const;
    // One step up from current; the maximum when the sum wraps.
    uint32_t Up(uint32_t current) const;
    // One step down from current; the minimum when the difference wraps.
    uint32_t Down(uint32_t current) const;
    // The level of a value (0 to 25): value / step, capped at 25. A range narrower
    // than 25 units has step 0; its level is the value's place in the range scaled to
    // 0..25 instead, so that no division by zero can happen.
    uint32_t Level(uint32_t value) const;

    uint32_t minimum = 0;
    uint32_t maximum = 0;
    // (maximum - minimum) / 25, truncated; 0 for a range narrower than 25 units.
    uint32_t step = 0;

private:
    // How far a press moves the value: the step, or one unit when the step is 0, so
    // that the buttons still move a narrow control.
    uint32_t MoveStep() const { return step != 0 ? step : 1; }
};

}  // namespace qp
