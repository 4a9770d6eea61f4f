#pragma once
// How a button of the bar looks: where its icon goes and its two-pixel 3D edge.
#include <array>
#include <cstdint>
#include <optional>

#include "buttons/button_kind.h"

namespace qp {

struct Rect {
    int left, top, right, bottom;  // right and bottom exclusive
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct Point {
    int x, y;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

struct Inset {
    int32_t x, y;
};

// A slot button's icon inset for the window style.
Inset SlotIconInset(int32_t style);

// The rectangle the button's icon is drawn into, or nothing when its kind (or a
// slot button's style) draws no icon.
std::optional<Rect> IconArea(ButtonKind kind, int32_t slotStyle, Inset slotInset, Rect item);

// A slot button shows whether it holds a file; the others show whether they are held down.
bool LooksPressed(ButtonKind kind, bool slotHasFile, bool pushed);

enum class EdgeColour { Highlight, Light, Shadow, DarkShadow };

struct EdgeLine {
    std::array<Point, 3> points;
    EdgeColour colour;
};

// The four poly-lines of the edge, in drawing order.
std::array<EdgeLine, 4> EdgeLines(Rect item, bool pressed);

}  // namespace qp
