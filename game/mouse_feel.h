#pragma once

// How far mouse-look turns the view for the cursor's movement: a factor on the game's own rate,
// within these bounds, and optionally an upside-down vertical look. Header only, so that the
// settings dialog can offer the same bounds without the game linked in.
namespace mousefeel {

constexpr double MinSensitivity = 0.1;
constexpr double MaxSensitivity = 5.0;

constexpr bool inRange(double sensitivity)
{
    return sensitivity >= MinSensitivity && sensitivity <= MaxSensitivity;
}

} // namespace mousefeel
