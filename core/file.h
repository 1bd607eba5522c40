// Numbered file slots with buffered line reading.
//
// A file is opened read-only into a small non-negative slot number, read line by line (LF, CR LF,
// a lone CR and a NUL each end a line), tested for its end and closed. Every operation on a slot
// that is not open does nothing and returns 0 or "".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr int FILE_BUFFER_SIZE = 4096;  // bytes read from the file per refill
constexpr int LINE_CHUNK = 4096;        // growth step of a line being read, bytes

// Creates the slot table (16 slots); called once at start-up.
void file_init();
// Closes every open file; called once at shutdown.
void file_end();
// Opens an existing file for reading into slot number (closing what the slot held first).
// Non-zero on success, 0 on failure (the slot is then not open).
std::intptr_t file_open_read(int number, std::string_view path);
// The operating-system handle of the open file (a file descriptor + 1), 0 if the slot is not open.
std::intptr_t file_handle(int number);
// The next line without its line end; "" when the slot is not open or nothing is left.
std::string file_read_line(int number);
// Non-zero when no byte is left; 0 when bytes remain and also when the slot is not open.
int file_eof(int number);
// Closes the slot's file; -1 closes every open file; a slot that is not open is ignored.
void file_close(int number);
