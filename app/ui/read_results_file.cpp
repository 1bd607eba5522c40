// The window around the results reader.
// Touches: TrussModel, ViewState's node records, planar_model, results_missing,
// View.show_deflected, controls ID_3D and ID_DEFLECTION_SCALE, file slot RESULTS_FILE, and the
// window's note while a read goes on in the background.
//
// A read for the window runs on a BackgroundTask into a model of its own, so the model shown is
// never touched until the read has ended; only then does done put it into the window. Waiting a
// moment for the task first keeps a short read exactly as a read in place: done runs before the
// command that started it returns, and no note ever shows. A longer one shows its note with a
// "Cancel" button, which stops it as Escape does.
#include "app/ui/read_results_file.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "app/model/line_source.h"
#include "app/ui/ids.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/stoppable_file_source.h"
#include "app/ui/window_note.h"
#include "app/ui/window_state.h"
#include "core/file.h"
#include "core/str.h"
#include "gui/background_task.h"
#include "gui/gadget.h"
#include "gui/input.h"
#include "gui/requester.h"
#include "gui/window.h"

namespace {

constexpr int READ_TASK = 1;  // the number of the window's read task
constexpr std::int64_t MEGABYTE = 1 << 20;

int read_wait_ms = -1;           // set_results_read_wait
std::int64_t problem_count = 0;  // loaded_problem_count

// The read that went on in the background, until its end is taken.
struct PendingRead {
    WindowRead read;
    ReadKind kind = ReadKind::show;
    std::function<void(WindowRead&)> done;
    std::int64_t shown_megabytes = -1;  // the megabytes the note shows
};
std::unique_ptr<PendingRead> pending;

BackgroundTask& read_task()
{
    static BackgroundTask task(READ_TASK);
    return task;
}

// The boxes of a read: the reader's own (what was cut, then the fault), then why the file could
// not be opened (unopened: "" when it was, or when nothing was named), or else the problems found.
// A read that ended with a fault lists no problems: its box already says that the results
// cannot be used, and the results window counts them.
void show_read_boxes(const ReadOutcome& outcome, bool opened, const std::string& unopened)
{
    for (const ReaderMessage& message : outcome.messages)
        req_message(message.title, message.text, 0);
    if (!unopened.empty())
        req_message("Warning", unopened, 0);
    if (opened && outcome.fault == ResultsFault::none && !outcome.problems.empty())
        show_text_box("Warning", problems_text(outcome));
}

// Shows the outcome of a read into TrussModel: the "3D" tick and the scale field first, then,
// with the file closed, the message boxes. opened: whether there was a file to read (the
// problems of an empty read are none of the user's).
void show_outcome(const ReadOutcome& outcome, bool opened, const std::string& unopened)
{
    model_loaded();  // numbers taken while the file was being opened belong to no model
    size_view_node_records(TrussModel.node_count);
    if (outcome.spatial) {
        planar_model = 0;
        gadget_set_state(ID_3D, 1);
    }
    View.show_deflected = 0;
    View.deflection_scale = TrussModel.deflection_scale;  // until "Deflected" takes the field's
    if (outcome.fault != ResultsFault::none)
        results_missing = 1;
    if (outcome.deflection_scale_found)
        gadget_set_text(ID_DEFLECTION_SCALE, str_from_float(outcome.deflection_scale, 0));
    problem_count = opened ? outcome.problem_count : 0;
    file_close(RESULTS_FILE);
    show_read_boxes(outcome, opened, unopened);
}

void read_into_window(LineSource& source, bool opened)
{
    const ReadOutcome outcome = read_results(source, TrussModel);
    show_outcome(outcome, opened, std::string());
}

// Runs a finished read's done, after the pipe's "Warning" for a file to be shown (a reload that
// fails shows no box).
void finish(WindowRead& read, ReadKind kind, const std::function<void(WindowRead&)>& done)
{
    if (read.open_error == ETIMEDOUT && kind == ReadKind::show) {
        const int wait = file_pipe_wait();
        const std::string within = wait % 1000 == 0 ? std::to_string(wait / 1000) + " seconds"
                                                    : std::to_string(wait) + " ms";
        req_message("Warning", "Nothing came through the pipe " + read.path + " within " + within, 0);
    }
    done(read);
}

std::string reading_note(std::int64_t megabytes)
{
    return "Reading... " + std::to_string(megabytes) + " MB (Escape stops)";
}

}  // namespace

void set_results_read_wait(int milliseconds)
{
    read_wait_ms = milliseconds;
}

void read_results()
{
    FileSlotLineSource source(RESULTS_FILE);
    read_into_window(source, file_handle(RESULTS_FILE) != 0);
}

bool read_results_from_memory(std::string_view bytes)
{
    reset_for_load();
    MemoryLineSource source(bytes);
    read_into_window(source, true);
    return true;
}

bool read_results_file(const std::string& path, ReadKind kind, std::function<void(WindowRead&)> done)
{
    results_read_cancel();
    auto next = std::make_unique<PendingRead>();
    next->read.path = path;
    next->kind = kind;
    next->done = std::move(done);
    WindowRead& read = next->read;
    const bool ended = read_task().start(
        [&read](const std::atomic<bool>& stop, std::atomic<std::int64_t>& bytes) {
            StoppableFileSource source(read.path, stop, bytes);
            read.open_error = read.path.empty() ? 0 : source.open_error();
            read.model.deflection_factor = DEFAULT_DEFLECTION_FACTOR;
            read.outcome = read_results(source, read.model);
        },
        read_wait_ms);
    if (ended) {
        finish(next->read, kind, next->done);
        return true;
    }
    pending = std::move(next);
    set_window_note_button("Cancel");
    set_window_note(reading_note(0));
    pending->shown_megabytes = 0;
    return false;
}

bool results_read_running()
{
    return pending != nullptr;
}

bool results_read_running(ReadKind kind)
{
    return pending != nullptr && pending->kind == kind;
}

void results_read_cancel()
{
    read_task().stop();
    if (pending == nullptr)
        return;
    pending.reset();
    set_window_note("");
}

bool results_read_event(int event)
{
    if (pending == nullptr)
        return false;
    if (event == EVENT_TASK_DONE && event_gadget() == READ_TASK) {
        if (!read_task().take_done(event_data()))
            return true;  // the end of a read stopped earlier
        const std::unique_ptr<PendingRead> ended = std::move(pending);
        set_window_note("");
        finish(ended->read, ended->kind, ended->done);
        return true;
    }
    // Escape, or a click on the note's "Cancel", stops the read.
    const CanvasInput* input = event == EVENT_GADGET && event_gadget() == ID_CANVAS ? event_canvas_input() : nullptr;
    if ((event == EVENT_KEY && event_gadget() == KEY_ESCAPE) ||
        (input != nullptr && event_data() == CANVAS_LEFT_DOWN && window_note_button_at(input->x, input->y))) {
        results_read_cancel();
        return true;
    }
    const std::int64_t megabytes = read_task().progress() / MEGABYTE;
    if (megabytes != pending->shown_megabytes) {
        pending->shown_megabytes = megabytes;
        set_window_note(reading_note(megabytes));
    }
    return false;
}

void apply_window_read(WindowRead& read)
{
    TrussModel = std::move(read.model);
    // A pipe that gave nothing was told before; nothing named (a cancelled choice) needs no reason.
    const bool told = read.open_error == 0 || read.open_error == ETIMEDOUT || read.path.empty();
    show_outcome(read.outcome, read.open_error == 0 && !read.path.empty(),
                 told ? std::string() : "Cannot read " + read.path + ": " + open_error_text(read.open_error));
}

std::string read_failure(const WindowRead& read)
{
    if (read.open_error != 0)
        return read.open_error == ETIMEDOUT ? "nothing came through the pipe" : open_error_text(read.open_error);
    if (read.path.empty())
        return "no file";
    // A fault says more than the problems that led to it.
    if (read.outcome.fault == ResultsFault::missing)
        return "no results in the file";
    if (read.outcome.fault == ResultsFault::unreadable)
        return "the deflections cannot be read";
    if (!read.outcome.problems.empty()) {
        const ReadProblem& first = read.outcome.problems.front();
        std::string text = first.line > 0 ? "line " + std::to_string(first.line) + ": " + first.text : first.text;
        if (read.outcome.problem_count > 1)
            text += " (and " + std::to_string(read.outcome.problem_count - 1) + " more)";
        return text;
    }
    if (read.outcome.problem_count > 0)
        return std::to_string(read.outcome.problem_count) + " problems";
    return std::string();
}

std::int64_t loaded_problem_count()
{
    return problem_count;
}

std::string problems_heading(std::int64_t count)
{
    return std::to_string(count) + (count == 1 ? " problem" : " problems") + " in the file (listed when it was read)";
}

std::string open_error_text(int error)
{
    switch (error) {
    case ENOENT:
        return "no such file";
    case EISDIR:
        return "it is a folder";
    case EACCES:
    case EPERM:
        return "no permission to read it";
    case EINVAL:
        return "not a results file at all (a device or a socket)";
    default:
        return std::strerror(error);
    }
}

std::string problems_text(const ReadOutcome& outcome)
{
    std::string text;
    std::int64_t listed = 0;
    for (const ReadProblem& problem : outcome.problems) {
        if (listed == MAX_SHOWN_PROBLEMS)
            break;
        text += problem.line > 0 ? "Line " + std::to_string(problem.line) + ": " + problem.text : problem.text;
        text += '\n';
        ++listed;
    }
    if (outcome.problem_count > listed)
        text += "and " + std::to_string(outcome.problem_count - listed) + " more\n";
    if (!text.empty())
        text.pop_back();
    return text;
}
