#pragma once

// Text of the overlay that must read over any background, the white ice included.

#include "engine/qrn.h"

#include <string>

// The text over dark copies of itself, one pixel off to each side (an outline) and one to the
// lower right (a shadow).
void drawOutlinedText(QRN& gfx, const std::string& text, D3DCOLOR colour, const RECT& area);
