// The canvas picture leaving the window as an image: on the clipboard through Fl_Copy_Surface, on
// paper through Fl_Printer's dialog (one page, scaled to fit, centred), and the one-line text
// question (fl_input) the export commands ask their sizes with.
#include <FL/Fl.H>
#include <FL/Fl_Copy_Surface.H>
#include <FL/Fl_Printer.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/fltk/fltk_platform.h"

namespace {

// The picture's pixels as RGB bytes, top row first (the picture keeps B, G, R rows bottom-up).
std::vector<unsigned char> rgb_rows(const Picture& picture)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(picture.width) * picture.height * 3);
    const int bytes = picture.bits_per_pixel / 8;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* row = picture_row(picture, y);
        unsigned char* to = rgb.data() + static_cast<std::size_t>(y) * picture.width * 3;
        for (int x = 0; x < picture.width; ++x) {
            to[3 * x] = row[bytes * x + 2];
            to[3 * x + 1] = row[bytes * x + 1];
            to[3 * x + 2] = row[bytes * x];
        }
    }
    return rgb;
}

bool usable(const Picture& picture)
{
    return picture.width > 0 && picture.height > 0 && (picture.bits_per_pixel == 24 || picture.bits_per_pixel == 32) &&
           picture.bits.size() >= static_cast<std::size_t>(picture.pitch) * picture.height;
}

}  // namespace

bool FltkPlatform::clipboard_copy_picture(const Picture& picture)
{
    if (!usable(picture))
        return false;
    const std::vector<unsigned char> rgb = rgb_rows(picture);
    // The surface puts what was drawn on it on the clipboard when it goes away (while it is still
    // the current one: it ends its own clip there); then drawing goes back to the display.
    auto* surface = new Fl_Copy_Surface(picture.width, picture.height);
    surface->set_current();
    fl_draw_image(rgb.data(), 0, 0, picture.width, picture.height, 3);
    delete surface;
    Fl_Display_Device::display_device()->set_current();
    return true;
}

bool FltkPlatform::print_picture(const Picture& picture)
{
    if (!usable(picture))
        return false;
    Fl_Printer printer;
    if (printer.start_job(1) != 0)
        return false;  // cancelled, or no printer
    bool printed = printer.start_page() == 0;
    if (printed) {
        int width = 0, height = 0;
        printer.printable_rect(&width, &height);
        const float scale = std::min(static_cast<float>(width) / picture.width,
                                     static_cast<float>(height) / picture.height);
        printer.scale(scale, scale);
        printer.origin(static_cast<int>((width - picture.width * scale) / 2),
                       static_cast<int>((height - picture.height * scale) / 2));
        const std::vector<unsigned char> rgb = rgb_rows(picture);
        fl_draw_image(rgb.data(), 0, 0, picture.width, picture.height, 3);
        printed = printer.end_page() == 0;
    }
    printer.end_job();
    return printed;
}

std::optional<std::string> FltkPlatform::ask_text(std::string_view title, std::string_view prompt,
                                                  std::string_view initial)
{
    const std::string title_text(title), prompt_text(prompt), initial_text(initial);
    fl_message_title(title_text.c_str());
    const char* answer = fl_input("%s", initial_text.c_str(), prompt_text.c_str());
    if (answer == nullptr)
        return std::nullopt;
    return std::string(answer);
}
