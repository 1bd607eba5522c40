// The viewer's export commands: a save dialog, then app/export.h or app/report.h, then a "Warning"
// box naming the cause when the file could not be written.
//
// Reads: results_path (the offered name). Writes only the chosen files.
#include "app/ui/export_commands.h"

#include <algorithm>
#include <string_view>

#include "app/export/export.h"
#include "app/export/report.h"
#include "app/ui/canvas_export.h"
#include "app/ui/window_state.h"
#include "core/file_name.h"
#include "gui/requester.h"

namespace {

// The chosen path, with default_extension added when its own is none of extensions; "" on cancel.
std::string choose(const char* title, const std::string& offered, const char* pattern,
                   std::initializer_list<std::string_view> extensions, const char* default_extension)
{
    std::string chosen = req_save_file(title, offered, pattern, 0);
    const auto is_chosen_extension = [&chosen](std::string_view e) { return path_ends_with(chosen, e); };
    if (!chosen.empty() && std::none_of(extensions.begin(), extensions.end(), is_chosen_extension))
        chosen += default_extension;
    return chosen;
}

void report_failure(const std::string& reason)
{
    if (!reason.empty())
        req_message("Warning", reason, 0);
}

}  // namespace

std::string offered_export_name(const std::string& extension)
{
    if (results_path.empty())
        return {};
    return path_with_extension(results_path, extension);
}

void export_picture_command()
{
    const std::string path = choose("Export picture", offered_export_name(".png"),
                                    "PNG picture (*.png)|*.png|SVG figure (*.svg)|*.svg", {".png", ".svg"}, ".png");
    if (!path.empty())
        report_failure(export_picture(path));
}

void export_animation_command()
{
    const std::string path = choose("Export animation", offered_export_name(".gif"), "GIF animation (*.gif)|*.gif",
                                    {".gif"}, ".gif");
    if (!path.empty())
        report_failure(export_animation(path));
}

void export_results_command()
{
    const std::string path = choose("Export results", offered_export_name(".json"),
                                    "JSON (*.json)|*.json|CSV tables (*.csv)|*.csv", {".json", ".csv"}, ".json");
    if (path.empty())
        return;
    std::string error;
    if (!write_report(path, error))
        report_failure(error);
}
