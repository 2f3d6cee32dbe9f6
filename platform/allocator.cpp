#include "platform/allocator.h"

#include <malloc.h>

namespace platform {

void keepFreedMemoryForReuse()
{
    constexpr int MiB = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, 32 * MiB); // large blocks from the heap, not a mapping per block
    mallopt(M_TRIM_THRESHOLD, 128 * MiB); // the heap's free top stays mapped
    mallopt(M_TOP_PAD, 16 * MiB);
}

} // namespace platform
