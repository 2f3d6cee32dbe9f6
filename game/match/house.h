#pragma once

// Where the house lies on the sheet and how large it and a stone are, in sheet units (roughly
// metres). The Library generator paints the rings from these numbers and the match counts stones
// with them, so what the player sees and what is scored cannot drift apart. Plain constants, no
// dependencies: both the game and the generator include this header.

namespace house {

// The far house, the one every shot is played to: its button (tee) on the centre line.
inline constexpr double ButtonX = 3.0;
inline constexpr double ButtonZ = 36.0;

inline constexpr double TwelveFootRadius = 2.3; // the outer ring; nearly fills the 5-wide house square
inline constexpr double EightFootRadius = TwelveFootRadius * 4.0 / 6.0;
inline constexpr double FourFootRadius = TwelveFootRadius * 2.0 / 6.0;
inline constexpr double ButtonRadius = TwelveFootRadius * 0.5 / 6.0;

// A stone is a disc of this radius: two stones touch when their centres are twice it apart, and a
// stone counts when any part of it lies over the outer ring.
inline constexpr double StoneRadius = 0.125;

// The far hog line: a released stone must come to rest beyond it.
inline constexpr double HogLineZ = 31.5;
// The free guard zone lies between the hog line and the tee line, outside the house.
inline constexpr double TeeLineZ = ButtonZ;

// Distance from the button beyond which a stone's centre no longer touches the house.
inline constexpr double CountingReach = TwelveFootRadius + StoneRadius;

} // namespace house
