// glibc's allocator: a block of at least M_MMAP_THRESHOLD bytes is a mapping of its own, unmapped
// when freed; free memory at the heap's top beyond M_TRIM_THRESHOLD is given back. Both raised, a
// block freed is served again from the heap's pages already in use. Threads other than the first
// get heaps of their own (up to M_ARENA_MAX of them), whose freed blocks only those threads reuse:
// with one heap for all, what the reader's threads free serves the drawing that follows.
//
// The one heap grows at its top (brk). Grown at once by about what a file of its size takes and
// marked for transparent huge pages, it is filled a large page per fault instead of 4 KB: one
// fault and one accounting step per 2 MB. Only that block is marked, and only when it is the heap's
// top.
#include "app/batch/process_memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/model/line_source.h"

namespace {

constexpr int KEPT_MMAP_THRESHOLD = 32 << 20;  // the largest the allocator accepts on 64-bit systems
constexpr int KEPT_TRIM_THRESHOLD = 256 << 20;
constexpr int RETURNED_THRESHOLD = 128 << 10;  // the allocator's own starting value of both
constexpr int HEAPS_PER_CORE = 8;              // the allocator's own limit of heaps on 64-bit systems

constexpr std::size_t LARGE_PAGE = std::size_t{2} << 20;
constexpr std::int64_t HEAP_PER_INPUT_BYTE = 3;      // the heap a file takes: about three times its size
constexpr std::size_t GROWN_MOST = 30 << 20;         // below KEPT_MMAP_THRESHOLD: a block of the heap
constexpr std::size_t GROWN_LEAST = 4 * LARGE_PAGE;  // smaller files are left to small pages

bool kept = false;

// Grows the heap by about what a file of input_bytes takes and marks the new part for huge pages.
void grow_heap_in_large_pages(std::int64_t input_bytes)
{
    const std::size_t size = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(GROWN_MOST), input_bytes * HEAP_PER_INPUT_BYTE));
    if (size < GROWN_LEAST)
        return;
    auto* const top = static_cast<char*>(sbrk(0));
    void* const block = std::malloc(size);
    auto* const end = static_cast<char*>(sbrk(0));
    // The block ends in the part the heap grew by, unless the allocator found room elsewhere (or
    // mapped it on its own, far above the heap).
    auto* const block_end = static_cast<char*>(block) + size;
    if (block != nullptr && top != reinterpret_cast<char*>(-1) && block_end > top && block_end <= end) {
        const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(block) + LARGE_PAGE - 1) / LARGE_PAGE *
                                     LARGE_PAGE;
        const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(end) / LARGE_PAGE * LARGE_PAGE;
        if (last > first)
            madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
    std::free(block);  // stays at the heap's top for what follows (the trim threshold is above it)
}

}  // namespace

void keep_freed_memory(std::int64_t input_bytes)
{
    if (input_bytes < 0 || static_cast<std::uint64_t>(input_bytes) > WHOLE_FILE_SIZE)
        return;
    mallopt(M_MMAP_THRESHOLD, KEPT_MMAP_THRESHOLD);
    mallopt(M_TRIM_THRESHOLD, KEPT_TRIM_THRESHOLD);
    mallopt(M_ARENA_MAX, 1);
    grow_heap_in_large_pages(input_bytes);
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
