// Byte buffers of many megabytes, such as a whole input file, whose pages come from the system in
// large pages where it offers them on request: a buffer of 11 MB is then a handful of page faults
// rather than thousands, and filling it costs about a quarter of the time. Smaller buffers come from
// the ordinary heap.
#pragma once

#include <cstddef>
#include <memory>

// Frees a buffer made by make_large_buffer; size is the size it was made with.
struct LargeBufferRelease {
    std::size_t size = 0;
    void operator()(char* bytes) const;
};

using LargeBuffer = std::unique_ptr<char[], LargeBufferRelease>;

// An uninitialised buffer of size bytes (size > 0); throws std::bad_alloc when there is no memory.
LargeBuffer make_large_buffer(std::size_t size);
