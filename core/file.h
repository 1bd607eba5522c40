// Numbered file slots with buffered line reading.
//
// A file is opened read-only into a small non-negative slot number, read line by line (LF, CR LF,
// a lone CR and a NUL each end a line), tested for its end and closed. Every operation on a slot
// that is not open does nothing and returns 0 or "".
//
// Named pipes are read to their end: the open waits for a writer's first bytes (or its close) for
// at most the pipe wait (10 s unless set otherwise), then reads wait for data as on any pipe. A
// program that has already opened its input can hand the descriptor over instead, so the input is
// opened once (a second open and close would end a pipe's writer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int FILE_BUFFER_SIZE = 4096;    // bytes read from the file per refill
constexpr int LINE_CHUNK = 4096;          // growth step of a line being read, bytes
constexpr int FILE_PIPE_WAIT_MS = 10000;  // how long an open waits for a named pipe's writer, ms

// Creates the slot table (16 slots); called once at start-up.
void file_init();
// Closes every open file; called once at shutdown.
void file_end();
// Opens an existing file for reading into slot number (closing what the slot held first).
// Non-zero on success, 0 on failure (the slot is then not open; errno says why, ETIMEDOUT when
// nothing came through a named pipe, from a writer, within the pipe wait).
std::intptr_t file_open_read(int number, std::string_view path);
// Hands descriptor fd (open for reading) to the next file_open_read of exactly path, which then
// reads fd instead of opening path again. The slots own fd from here: an earlier offer not taken
// is closed, and so is this one at file_end if no open takes it. fd < 0 just withdraws an offer.
void file_offer_descriptor(std::string_view path, int fd);
// Sets how long file_open_read waits for a named pipe's writer (its first bytes or its close), in
// ms; negative waits for ever.
void file_set_pipe_wait(int milliseconds);
// The pipe wait in ms (FILE_PIPE_WAIT_MS until set).
int file_pipe_wait();
// The operating-system handle of the open file (a file descriptor + 1), 0 if the slot is not open.
std::intptr_t file_handle(int number);
// The next line without its line end; "" when the slot is not open or nothing is left.
std::string file_read_line(int number);
// Reads up to size of the next bytes into out, the buffered ones first, and returns how many (0 at
// the end, on a read error and when the slot is not open). For readers that split lines themselves.
std::size_t file_read_bytes(int number, char* out, std::size_t size);
// True when the last line file_read_line gave ended at a NUL byte (false when the slot is not open).
bool file_line_ended_by_nul(int number);
// Non-zero when no byte is left; 0 when bytes remain and also when the slot is not open.
int file_eof(int number);
// Closes the slot's file; -1 closes every open file; a slot that is not open is ignored.
void file_close(int number);
