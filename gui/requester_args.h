// How the file requesters take their arguments apart (shared by gui/ and the backends' tests).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// "description|pattern|description|pattern..." as (description, pattern) pairs; spaces are kept,
// the list ends at an empty description; a last text without a pattern is also its pattern.
std::vector<std::pair<std::string, std::string>> req_pattern_list(std::string_view pattern);
// True for a non-empty name without control characters and without any of " * / : < > ? \ |.
bool req_plain_file_name(std::string_view name);
// Splits default_file at its last '/' (when that is not its first character) into the starting
// folder and the name (at most 259 bytes); a name that is not a plain file name is emptied.
void req_split_default(std::string_view default_file, std::string& folder, std::string& name);
