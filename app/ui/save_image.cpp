// "Save Image": the window capture framed and written as a JPEG file.
//
// State: image_path (the last chosen name, offered again at the next save), start_folder, and
// image CAPTURE_IMAGE, which exists only while the command runs.
#include "app/ui/save_image.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "app/ui/ids.h"
#include "app/ui/remembered_settings.h"
#include "app/ui/window_state.h"
#include "core/file_name.h"
#include "core/str.h"
#include "draw/draw.h"
#include "draw/image.h"
#include "gui/capture.h"
#include "gui/requester.h"
#include "gui/window.h"

namespace {

constexpr int CAPTURE_MARGIN = 2;  // pixels cut from every side of the capture

// True when something (a file, a folder, a link, even a dangling one) already has the name path.
bool file_exists(const std::string& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

// Why the JPEG file could not be written, for the user.
std::string save_failure_reason(int error)
{
    if (error != 0) {
        return std::strerror(error);
    }
    return "the picture could not be encoded";
}

}  // namespace

std::string jpeg_file_name(std::string_view path)
{
    return path_with_extension(path, ".jpg");
}

void save_view_image()
{
    // The first save opens with an empty name in the folder of the last run's last save, else in
    // the start folder; later ones offer the folder and name of the previous save.
    const std::string kept = remembered_folder(DialogFolder::Image);
    const std::string offered = !image_path.empty() ? image_path : kept.empty() ? start_folder + "/" : kept;
    const std::string chosen = req_save_file("Save as jpeg", offered, "*.jpg", 0);
    remember_folder(DialogFolder::Image, chosen);
    image_path = chosen;
    if (image_path.empty()) {
        req_message_ok("Warning", "Can not Save the file!");
        return;
    }
    const std::intptr_t handle = win_find(window_title);
    image_path = jpeg_file_name(image_path);
    if (handle == 0) {
        req_message_ok("Warning", "Can not Save the Image!");
        return;
    }
    // The dialog asked no question about a name the user never saw: ask before replacing it.
    if (image_path != chosen && file_exists(image_path) && !req_yes_no("Notice", image_path + " exists. Replace it?")) {
        return;
    }

    win_restore(handle);
    int left = 0, top = 0, right = 0, bottom = 0;
    const bool placed = win_outer_rect(handle, left, top, right, bottom);
    const int w = right - left;
    const int h = bottom - top;
    if (!placed || w <= 2 * CAPTURE_MARGIN || h <= 2 * CAPTURE_MARGIN || image_create(CAPTURE_IMAGE, w, h, 24) == 0) {
        req_message_ok("Warning", "Can not Save the Image!");
        return;
    }
    const std::intptr_t context = draw_begin(draw_image_output(CAPTURE_IMAGE));
    bool captured = false;
    if (context != 0) {
        event_delay(10);
        captured = win_capture(handle, context);
        const int frame = draw_rgb(0, 5, 255);
        draw_line(2, 2, w - 4, 1, frame);
        draw_line(2, 2, 1, h - 4, frame);
        draw_line(w - 4, 2, 1, h - 4, frame);
        draw_line(2, h - 4, w - 4, 1, frame);
        draw_end();
    }
    if (!captured) {
        image_free(CAPTURE_IMAGE);
        req_message_ok("Warning", "Can not Save the Image!");
        return;
    }
    // A failed cut leaves the whole capture under the number: save nothing rather than that.
    if (image_grab(CAPTURE_IMAGE, CAPTURE_IMAGE, CAPTURE_MARGIN, CAPTURE_MARGIN, w - 2 * CAPTURE_MARGIN,
                   h - 2 * CAPTURE_MARGIN) == 0) {
        image_free(CAPTURE_IMAGE);
        req_message_ok("Warning", "Can not Save the Image!");
        return;
    }
    errno = 0;
    const int saved = image_save(CAPTURE_IMAGE, image_path, IMAGE_FORMAT_JPEG);
    const int error = errno;
    image_free(CAPTURE_IMAGE);
    if (saved != 0) {
        req_message("Notice", "Image Saved as: " + image_path, REQ_ICON_INFORMATION);
    } else {
        req_message_ok("Warning", "Can not save the image as " + image_path + ": " + save_failure_reason(error));
    }
}
