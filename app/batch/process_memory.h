// What kelvaro-render's allocator does with memory freed while one results file is drawn.
//
// Every page the process takes from the system costs a page fault on first use, and drawing a file
// frees large blocks (the reader's parts, the bytes of the file) just before it makes others of
// about the same size (the numbers, the picture). For a file small enough to be read whole the
// freed blocks are kept and reused; a larger file keeps the allocator's own habit of returning
// large blocks at once, which holds the peak memory of a million-member file down.
#pragma once

#include <cstdint>

// Keeps freed memory for reuse while a results file of input_bytes is drawn, when that file is
// small enough to be read whole; otherwise does nothing.
void keep_freed_memory(std::int64_t input_bytes);
// Returns what keep_freed_memory kept to the system and goes back to returning large freed blocks;
// before the next file is drawn (at the process's end its exit returns everything at once).
void return_kept_memory();
