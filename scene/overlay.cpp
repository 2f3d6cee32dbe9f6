// The 2D overlay: the gauges of the shot settings and the balance triangle.

#include "game/field.h"

// No gauges yet.
void Field::Draw_2D() {}
