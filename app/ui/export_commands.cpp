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
#include "app/ui/ids.h"
#include "app/ui/remembered_settings.h"
#include "app/ui/window_state.h"
#include "core/file_name.h"
#include "gui/gadget.h"
#include "gui/platform.h"
#include "gui/requester.h"

namespace {

// The chosen path, with default_extension added when its own is none of extensions; "" on cancel.
std::string choose(const char* title, const std::string& offered, const char* pattern,
                   std::initializer_list<std::string_view> extensions, const char* default_extension)
{
    std::string chosen = req_save_file(title, offered, pattern, 0);
    remember_folder(DialogFolder::Export, chosen);
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
    // In the folder of the last run's last export, else beside the results file.
    const std::string beside = path_with_extension(results_path, extension);
    const std::string folder = remembered_folder(DialogFolder::Export);
    return folder.empty() ? beside : folder + std::string(path_name(beside));
}

void export_picture_command()
{
    const std::string path = choose("Export picture", offered_export_name(".png"),
                                    "PNG picture (*.png)|*.png|SVG figure (*.svg)|*.svg", {".png", ".svg"}, ".png");
    const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
    if (path.empty() || canvas == nullptr) {
        if (!path.empty())
            report_failure(export_picture(path));
        return;
    }
    const std::string offered = std::to_string(canvas->width) + "x" + std::to_string(canvas->height);
    const std::optional<std::string> size = platform().ask_text("Export picture",
                                                                "Size in pixels (width x height):", offered);
    if (!size)
        return;
    int width = 0, height = 0;
    if (!picture_size_of(*size, width, height)) {
        report_failure("'" + *size + "' is not a picture size: write WxH, such as " + offered +
                       ", each side 100 to 8000");
        return;
    }
    report_failure(export_picture(path, width, height));
}

void export_sheet_command()
{
    const std::string path = choose("Export calculation sheet", offered_export_name(".pdf"), "PDF sheet (*.pdf)|*.pdf",
                                    {".pdf"}, ".pdf");
    if (!path.empty())
        report_failure(export_sheet(path));
}

void copy_picture_command()
{
    if (!copy_canvas_picture())
        report_failure("the picture could not be put on the clipboard");
}

void print_picture_command()
{
    print_canvas_picture();  // a cancelled dialog prints nothing and needs no word
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
