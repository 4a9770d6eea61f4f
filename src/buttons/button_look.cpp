#include "buttons/button_look.h"

namespace qp {

namespace {

constexpr Inset kSmallButtonInset = {5, 4};
constexpr Inset kSettingsButtonInset = {4, 4};

Rect Deflate(Rect r, Inset inset) {
    return {r.left + inset.x, r.top + inset.y, r.right - inset.x, r.bottom - inset.y};
}

}  // namespace

Inset SlotIconInset(int32_t style) { return style == 1 ? Inset{14, 10} : Inset{3, 3}; }

std::optional<Rect> IconArea(ButtonKind kind, int32_t slotStyle, Inset slotInset, Rect item) {
    switch (kind) {
    case SlotButton:
        if (slotStyle != 1 && slotStyle != 2) return std::nullopt;
        return Deflate(item, slotInset);
    case ClearButton:
    case BrowseButton:
        return Deflate(item, kSmallButtonInset);
    case SettingsButton:
        return Deflate(item, kSettingsButtonInset);
    default:
        return std::nullopt;
    }
}

bool LooksPressed(ButtonKind kind, bool slotHasFile, bool pushed) {
    return kind == SlotButton ? !slotHasFile : pushed;
}

std::array<EdgeLine, 4> EdgeLines(Rect r, bool pressed) {
    const int l = r.left, t = r.top, rt = r.right, b = r.bottom;
    using C = EdgeColour;
    return {{
        {{{{l, b - 1}, {l, t}, {rt, t}}}, pressed ? C::DarkShadow : C::Highlight},
        {{{{l + 1, b - 1}, {l + 1, t + 1}, {rt, t + 1}}}, pressed ? C::Shadow : C::Light},
        {{{{l, b - 1}, {rt - 1, b - 1}, {rt - 1, t - 1}}}, pressed ? C::Highlight : C::DarkShadow},
        {{{{l + 1, b - 2}, {rt - 2, b - 2}, {rt - 2, t}}}, pressed ? C::Light : C::Shadow},
    }};
}

}  // namespace qp
