#pragma once

// Per-frame state dumps of the game window, one JSON object per frame (see replay_format.h for the
// recording they are usually made from).

#include <string>

class Field;

// The shortest text that reads back to the same 32-bit float.
std::string floatText(float value);
// One frame's state of the game window as a JSON object (no line break). In a match it ends with
// "match":{"end":E,"ends":N,"score":[R,Y],"hammer":H,"thrown":K,"turn":T}.
std::string stateDumpLine(const Field& field, long frame);
