#pragma once

namespace model {

// Editing modes (the `mode` of the construction object). ModeNone only ever appears as
// the mode chosen by the held modifier keys.

inline constexpr int ModeInspect = 0;
inline constexpr int ModeTwist = 1;
inline constexpr int ModePaint = 2;
inline constexpr int ModeAdd = 3;
inline constexpr int ModeDelete = 4;
inline constexpr int ModeCopyColour = 5;
inline constexpr int ModeChooseCentre = 6;
inline constexpr int ModeNone = 7;

inline constexpr int ModeCount = 7;  // modes 0..6 that `mode` can hold

}  // namespace model
