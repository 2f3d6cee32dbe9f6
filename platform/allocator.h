#pragma once

namespace platform {

// Keeps memory the program frees for its own reuse instead of handing it back to the kernel.
// The software renderer allocates and frees large buffers on every frame; returned each time,
// they come back as fresh pages to fault in and clear, a sixth of a frame's CPU on llvmpipe.
// Process-wide: call once at the start of a program that draws.
void keepFreedMemoryForReuse();

} // namespace platform
