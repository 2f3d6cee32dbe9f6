#pragma once

// GLSL 3.30 sources of the device's programs.

namespace gfx::shaders {

// The fixed-function shader pair (fixed_function.h). Each stage is compiled from four parts:
// kVersion, the choices' #define lines, the block declarations, then its own body.
extern const char* const kVersion;
extern const char* const kFixedFunctionVertex;
extern const char* const kFixedFunctionFragment;

// Sprites and text: quads in back-buffer pixels, texture x colour, no lighting or fog.
extern const char* const kScreenVertex;
extern const char* const kScreenFragment;

} // namespace gfx::shaders
