// Modal requesters: a message box, a Yes/No question and the open-file and save-file dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr std::uint32_t REQ_ICON_INFORMATION = 0x40;  // req_message flag: information icon
constexpr int REQ_OK = 1;                             // req_message result for OK

// Start-up and shutdown of the requesters.
void req_init();
void req_end();
// Shows a modal message box; returns the pressed button's code (REQ_OK for OK).
int req_message(std::string_view title, std::string_view text, std::uint32_t flags);
// req_message with flags 0; the result is ignored.
void req_message_ok(std::string_view title, std::string_view text);
// Shows a modal box with one line of text and the buttons Yes and No; true when Yes was pressed.
// Closing the box (or Escape) answers No.
bool req_yes_no(std::string_view title, std::string_view text);
// Shows a modal box asking for one line of text under prompt, text holding it at first; true with
// the typed line in text for OK, false (text unchanged) for Cancel or a closed box.
bool req_text(std::string_view title, std::string_view prompt, std::string& text);
// The open-file dialog. pattern is "description|pattern|description|pattern..." (spaces kept);
// default_file is split at its last '/' into a starting folder and a name (the name is used only
// when it is a plain file name). Returns the chosen full path, "" on cancel or error. The process's
// working directory is unchanged afterwards.
std::string req_open_file(std::string_view title, std::string_view default_file, std::string_view pattern,
                          int pattern_position);
// The open-file dialog in which several files may be chosen together, as req_open_file: the
// chosen full paths in the dialog's order, none on cancel or error.
std::vector<std::string> req_open_files(std::string_view title, std::string_view default_file, std::string_view pattern,
                                        int pattern_position);
// The save-file dialog, as req_open_file; it asks no overwrite question.
std::string req_save_file(std::string_view title, std::string_view default_file, std::string_view pattern,
                          int pattern_position);
