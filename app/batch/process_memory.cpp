// glibc's allocator: a block of at least M_MMAP_THRESHOLD bytes is a mapping of its own, unmapped
// when freed; free memory at the heap's top beyond M_TRIM_THRESHOLD is given back. Both raised, a
// block freed is served again from the heap's pages already in use. Threads other than the first
// get heaps of their own (up to M_ARENA_MAX of them), whose freed blocks only those threads reuse:
// with one heap for all, what the reader's threads free serves the drawing that follows.
#include "app/batch/process_memory.h"

#include <malloc.h>
#include <sys/sysinfo.h>

#include <algorithm>

#include "app/model/line_source.h"

namespace {

constexpr int KEPT_MMAP_THRESHOLD = 32 << 20;  // the largest the allocator accepts on 64-bit systems
constexpr int KEPT_TRIM_THRESHOLD = 256 << 20;
constexpr int RETURNED_THRESHOLD = 128 << 10;  // the allocator's own starting value of both
constexpr int HEAPS_PER_CORE = 8;              // the allocator's own limit of heaps on 64-bit systems

bool kept = false;

}  // namespace

void keep_freed_memory(std::int64_t input_bytes)
{
    if (input_bytes < 0 || static_cast<std::uint64_t>(input_bytes) > WHOLE_FILE_SIZE)
        return;
    mallopt(M_MMAP_THRESHOLD, KEPT_MMAP_THRESHOLD);
    mallopt(M_TRIM_THRESHOLD, KEPT_TRIM_THRESHOLD);
    mallopt(M_ARENA_MAX, 1);
    kept = true;
}

void return_kept_memory()
{
    if (!kept)
        return;
    mallopt(M_MMAP_THRESHOLD, RETURNED_THRESHOLD);
    mallopt(M_TRIM_THRESHOLD, RETURNED_THRESHOLD);
    mallopt(M_ARENA_MAX, HEAPS_PER_CORE * std::max(1, get_nprocs()));
    malloc_trim(0);
    kept = false;
}
