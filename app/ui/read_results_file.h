// The window's read of a results file: the reader run into a fresh model, on a thread beside the
// event loop when it takes long, and its outcome applied to the window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/model/results_reader.h"
#include "app/model/truss_model.h"

// A finished read of a results file, not yet the window's.
struct WindowRead {
    std::string path;      // the file read ("" when none was chosen)
    TrussModelData model;  // what was read
    ReadOutcome outcome;   // what the reader found
    int open_error = 0;    // why the file could not be opened (an errno), 0 when it was
};

// How long a read may hold the event loop before it goes on in the background: negative (the
// default) reads in place, as the headless backend and the tests need; the viewer on a display
// sets a short wait.
void set_results_read_wait(int milliseconds);

// Reads the results file open in slot RESULTS_FILE into TrussModel, ticks "3D" for a spatial
// model, shows the deflection scale in its field, closes the file, and reports in message boxes
// anything the read had to leave out, missing or bad results, and else the problems found (one
// "Warning" listing them). Expects reset_for_load() to have run.
void read_results();

// The same read from bytes in memory (for fuzzing and tests): resets the model as "Load File"
// does and reads the bytes with the file slots' line rules. Always true.
bool read_results_from_memory(std::string_view bytes);

// Which of the window's reads a read is: a file to be shown (start-up, "Load File", a dropped
// file) or the shown file read again.
enum class ReadKind { show, reload };

// Reads path into a fresh model (deflection factor as after reset_for_load) and then runs
// done(read) on the event loop's thread, after a "Warning" that nothing came through a named pipe
// in time. Within the read wait done runs before this returns (true); a longer read goes on in the
// background with "Reading..." and the megabytes read so far in the window's note (false), and
// done runs from the event loop when it ends. A read still going is stopped first: its done never
// runs.
bool read_results_file(const std::string& path, ReadKind kind, std::function<void(WindowRead&)> done);
// True while a read (of kind) goes on in the background.
bool results_read_running();
bool results_read_running(ReadKind kind);
// Stops the read going on in the background (its done never runs) and takes its note away.
void results_read_cancel();
// The event loop hands every result of its wait here first: the end of the background read runs
// its done; while it goes on the note follows the megabytes read, and Escape or a click on the
// note's "Cancel" stops it. True when the event was taken here.
bool results_read_event(int event);

// Puts read into the window as read_results() does with the open slot: read.model becomes
// TrussModel, then the "3D" tick, the scale field and the boxes; a file that could not be opened
// is told why in a "Warning" after the reader's boxes. Expects reset_for_load() to have run.
void apply_window_read(WindowRead& read);
// Why read is not to replace the model shown by an automatic reload: it could not be opened, it
// ended with a fault, or it found problems. "" when none of these.
std::string read_failure(const WindowRead& read);
// What the last read put into the window found wrong: every problem counted.
std::int64_t loaded_problem_count();
// The results window's line for count problems: "3 problems in the file (listed when it was read)".
std::string problems_heading(std::int64_t count);
// Why path could not be opened, in a few words ("no such file", "it is a folder", ...).
std::string open_error_text(int error);
// The problems box's text: the first MAX_SHOWN_PROBLEMS problems, one a line with its line
// number, and "and N more" for the rest.
std::string problems_text(const ReadOutcome& outcome);

constexpr int MAX_SHOWN_PROBLEMS = 10;  // problems listed by name in the box
