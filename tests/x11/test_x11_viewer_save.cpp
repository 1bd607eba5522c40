// The kelvaro program on a real X server (run inside xsession.sh): "Save Image" and the JPEG file it
// writes, decoded and compared with the framed window on the screen, under jwm and under openbox.
#include "viewer_driver.h"

#include <signal.h>

#include <cstdio>

#include <jpeglib.h>

namespace {

// The JPEG file of "Save Image", decoded.
struct Jpeg {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    bool quality_70_tables = false;

    std::uint32_t at(int x, int y) const
    {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
    }
};

bool read_jpeg(const fs::path& path, Jpeg& jpeg)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    jpeg_decompress_struct in{};
    jpeg_error_mgr errors{};
    in.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&in);
    jpeg_stdio_src(&in, file);
    jpeg_read_header(&in, TRUE);

    // The quantisation tables of an encoder set to quality 70 with the standard tables.
    jpeg_compress_struct reference{};
    jpeg_error_mgr reference_errors{};
    reference.err = jpeg_std_error(&reference_errors);
    jpeg_create_compress(&reference);
    reference.in_color_space = JCS_RGB;
    reference.input_components = 3;
    jpeg_set_defaults(&reference);
    jpeg_set_quality(&reference, 70, TRUE);
    jpeg.quality_70_tables = true;
    for (int t = 0; t < 2; ++t) {
        const JQUANT_TBL* mine = in.quant_tbl_ptrs[t];
        const JQUANT_TBL* expected = reference.quant_tbl_ptrs[t];
        if (!mine || !expected) {
            jpeg.quality_70_tables = false;
            continue;
        }
        for (int i = 0; i < DCTSIZE2; ++i)
            jpeg.quality_70_tables &= mine->quantval[i] == expected->quantval[i];
    }
    jpeg_destroy_compress(&reference);

    in.out_color_space = JCS_RGB;
    jpeg_start_decompress(&in);
    jpeg.width = static_cast<int>(in.output_width);
    jpeg.height = static_cast<int>(in.output_height);
    jpeg.rgb.resize(static_cast<std::size_t>(jpeg.width) * jpeg.height * 3);
    while (in.output_scanline < in.output_height) {
        JSAMPROW row = &jpeg.rgb[static_cast<std::size_t>(in.output_scanline) * jpeg.width * 3];
        jpeg_read_scanlines(&in, &row, 1);
    }
    jpeg_finish_decompress(&in);
    jpeg_destroy_decompress(&in);
    std::fclose(file);
    return true;
}

// Whether a line of the picture shows the frame colour (0, 5, 255). JPEG keeps colour at half
// resolution, so a 1-pixel line is blended with its neighbours; the test is on the line's mean,
// which still tells it from the window manager's blues (green well above 80).
bool frame_line(const Jpeg& jpeg, int x0, int y0, int dx, int dy, int length, std::string& mean)
{
    long r = 0, g = 0, b = 0;
    for (int i = 0; i < length; ++i) {
        const std::uint32_t p = jpeg.at(x0 + dx * i, y0 + dy * i);
        r += red(p);
        g += green(p);
        b += blue(p);
    }
    r /= length;
    g /= length;
    b /= length;
    mean = '(' + std::to_string(r) + ", " + std::to_string(g) + ", " + std::to_string(b) + ")";
    return r < 40 && g < 50 && b > 130;
}

// No band of the black a capture image starts with: every row and column between the frame lines
// of the saved picture holds some of the window (its frame, caption, controls or canvas).
void expect_no_black_band(const Jpeg& jpeg)
{
    const auto black_line = [&](int x0, int y0, int dx, int dy, int length) {
        long sum = 0;
        for (int i = 0; i < length; ++i) {
            const std::uint32_t p = jpeg.at(x0 + dx * i, y0 + dy * i);
            sum += red(p) + green(p) + blue(p);
        }
        return sum / length < 3 * 24;
    };
    int black_rows = 0, black_columns = 0;
    for (int y = 1; y < jpeg.height - 2; ++y)
        black_rows += black_line(1, y, 1, 0, jpeg.width - 3) ? 1 : 0;
    for (int x = 1; x < jpeg.width - 2; ++x)
        black_columns += black_line(x, 1, 0, 1, jpeg.height - 3) ? 1 : 0;
    EXPECT_EQ(black_rows, 0) << "black rows in the saved picture";
    EXPECT_EQ(black_columns, 0) << "black columns in the saved picture";
}

// The mean difference per pixel (sum of the three channels) between the canvas as shown and the
// saved picture's canvas, whose top left corner is at (left, top) in it.
double canvas_difference(const Jpeg& jpeg, const Picture& shown, int left, int top)
{
    long difference = 0, pixels = 0;
    for (int y = INSET; y < CANVAS_H - INSET; ++y)
        for (int x = INSET; x < CANVAS_W - INSET; ++x) {
            const std::uint32_t a = jpeg.at(left + x, top + y);
            const std::uint32_t b = shown.at(x, y);
            difference += std::abs(red(a) - red(b)) + std::abs(green(a) - green(b)) + std::abs(blue(a) - blue(b));
            ++pixels;
        }
    return static_cast<double>(difference) / pixels;
}

// "Save Image" on the tower: the name typed without an extension gets ".jpg", the notice comes
// up, and the file holds the framed window less 2 pixels all round, with the frame lines, the
// canvas as the screen shows it, and quality 70.
TEST_F(X11Viewer, SaveImageWritesTheFramedWindow)
{
    viewer.start({example("tower.res")}, folder);
    window = main_window("     " + example("tower.res"));
    ASSERT_NE(window, 0u);
    const Picture shown = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the tower");
    XWindowAttributes frame_area;
    ASSERT_TRUE(XGetWindowAttributes(display, frame_of(window), &frame_area));
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, frame_of(window), 0, 0, &inside_x, &inside_y, &child);

    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    choose_in_dialog("Save as jpeg", (folder / "view").string());
    answer_box("Notice");
    const fs::path saved = folder / "view.jpg";
    ASSERT_TRUE(fs::exists(saved)) << "no view.jpg";
    EXPECT_FALSE(fs::exists(folder / "view"));

    Jpeg jpeg;
    ASSERT_TRUE(read_jpeg(saved, jpeg));
    EXPECT_TRUE(jpeg.quality_70_tables) << "not saved at quality 70";
    ASSERT_EQ(jpeg.width, frame_area.width + 2 * frame_area.border_width - 4);
    ASSERT_EQ(jpeg.height, frame_area.height + 2 * frame_area.border_width - 4);
    const int w = jpeg.width, h = jpeg.height;
    std::string mean;
    EXPECT_TRUE(frame_line(jpeg, 0, 0, 1, 0, w - 1, mean)) << "top line " << mean;
    EXPECT_TRUE(frame_line(jpeg, 0, 0, 0, 1, h - 1, mean)) << "left line " << mean;
    EXPECT_TRUE(frame_line(jpeg, w - 2, 0, 0, 1, h - 1, mean)) << "right line " << mean;
    EXPECT_TRUE(frame_line(jpeg, 0, h - 2, 1, 0, w - 1, mean)) << "bottom line " << mean;
    EXPECT_FALSE(frame_line(jpeg, w - 3, 0, 0, 1, h - 1, mean)) << "the right line is too wide";
    EXPECT_FALSE(frame_line(jpeg, 0, h - 3, 1, 0, w - 1, mean)) << "the bottom line is too wide";

    expect_no_black_band(jpeg);

    // The canvas in the picture is the one on the screen (inside the frame lines).
    EXPECT_LT(canvas_difference(jpeg, shown, inside_x - 2, inside_y - 2), 6.0) << "the canvas differs";

    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// Under any window manager (the display tests run this one under openbox too) the saved picture
// is the whole framed window: the outer frame's size less the margin, no black band, and the
// canvas where the frame holds it on the screen.
TEST_F(X11Viewer, SaveImageHoldsTheWholeFramedWindow)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    const Picture shown = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    XWindowAttributes frame_area;
    ASSERT_TRUE(XGetWindowAttributes(display, frame_of(window), &frame_area));
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, frame_of(window), 0, 0, &inside_x, &inside_y, &child);

    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    choose_in_dialog("Save as jpeg", (folder / "whole").string());
    answer_box("Notice");
    Jpeg jpeg;
    ASSERT_TRUE(read_jpeg(folder / "whole.jpg", jpeg)) << "no whole.jpg";
    ASSERT_EQ(jpeg.width, frame_area.width + 2 * frame_area.border_width - 4);
    ASSERT_EQ(jpeg.height, frame_area.height + 2 * frame_area.border_width - 4);
    expect_no_black_band(jpeg);
    EXPECT_LT(
        canvas_difference(jpeg, shown, inside_x + frame_area.border_width - 2, inside_y + frame_area.border_width - 2),
        6.0)
        << "the canvas is not where the frame holds it";
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// A window manager that nests its frame in a second window (here a grey override-redirect window
// taken in between, 10 pixels wider on every side): the picture is that outermost window, grey
// border included, with no black band where the inner frame ends.
TEST_F(X11Viewer, SaveImageHoldsAFrameNestedTwice)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    const Picture shown = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    const Window frame = frame_of(window);
    XWindowAttributes frame_area;
    ASSERT_TRUE(XGetWindowAttributes(display, frame, &frame_area));
    XSetWindowAttributes outer_attributes{};
    outer_attributes.override_redirect = True;
    outer_attributes.background_pixel = 0x808080;
    const Window outer = XCreateWindow(display, DefaultRootWindow(display), frame_area.x - 10, frame_area.y - 10,
                                       static_cast<unsigned>(frame_area.width + 20),
                                       static_cast<unsigned>(frame_area.height + 20), 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWOverrideRedirect | CWBackPixel, &outer_attributes);
    XMapWindow(display, outer);
    XReparentWindow(display, frame, outer, 10, 10);
    XSync(display, False);
    ASSERT_EQ(frame_of(window), outer);
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, outer, 0, 0, &inside_x, &inside_y, &child);

    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    choose_in_dialog("Save as jpeg", (folder / "nested").string());
    answer_box("Notice");
    Jpeg jpeg;
    ASSERT_TRUE(read_jpeg(folder / "nested.jpg", jpeg)) << "no nested.jpg";
    ASSERT_EQ(jpeg.width, frame_area.width + 20 - 4);
    ASSERT_EQ(jpeg.height, frame_area.height + 20 - 4);
    expect_no_black_band(jpeg);
    EXPECT_LT(canvas_difference(jpeg, shown, inside_x - 2, inside_y - 2), 6.0)
        << "the canvas is not where the frame holds it";
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// A window whose frame is partly off the screen cannot be captured whole: "Save Image" says so
// and writes nothing (no picture with the missing part left black).
TEST_F(X11Viewer, SaveImageOfAWindowPartlyOffTheScreenFails)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    XWindowAttributes screen;
    ASSERT_TRUE(XGetWindowAttributes(display, DefaultRootWindow(display), &screen));
    sh("xdotool windowmove --sync " + std::to_string(frame_of(window)) + " " + "-300 150");

    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    choose_in_dialog("Save as jpeg", (folder / "cut").string());
    answer_box("Warning");
    EXPECT_FALSE(fs::exists(folder / "cut.jpg"));
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// "+", "Save Image" and the close box, queued while the program is held, take effect in that
// order: the view turns, the image is saved (the dialog answered, the notice confirmed), and only
// then does the program end.
TEST_F(X11Viewer, CloseBoxQueuedBehindSaveImageEndsTheProgramAfterTheSave)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    const Picture base = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, frame_of(window), 0, 0, &inside_x, &inside_y, &child);

    kill(viewer.pid(), SIGSTOP);
    click(PLUS[0], PLUS[1]);
    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    click_close_box();
    kill(viewer.pid(), SIGCONT);
    choose_in_dialog("Save as jpeg", (folder / "closing").string());
    answer_box("Notice");
    EXPECT_EQ(viewer.wait_exit(), 0);

    // The saved canvas shows the turned view: fewer of the first picture's black pixels.
    Jpeg jpeg;
    ASSERT_TRUE(read_jpeg(folder / "closing.jpg", jpeg)) << "no closing.jpg";
    int kept = 0, black = 0;
    for (int y = INSET; y < CANVAS_H - INSET; ++y)
        for (int x = INSET; x < CANVAS_W - INSET; ++x)
            if (member_black(base.at(x, y))) {
                ++black;
                kept += dark(jpeg.at(inside_x - 2 + x, inside_y - 2 + y)) ? 1 : 0;
            }
    std::printf("black pixels of the first view still dark in the saved one: %d of %d\n", kept, black);
    EXPECT_LT(kept, black * 9 / 10) << "the image was saved before \"+\" turned the view";
}

}  // namespace

namespace {

// The clipboard's content as the type target (an X selection request answered by its owner),
// waiting up to milliseconds for an owner that has it; empty when none answers.
std::vector<unsigned char> clipboard_as(Display* display, const char* target, int milliseconds)
{
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom type = XInternAtom(display, target, False);
    const Atom property = XInternAtom(display, "KELVARO_TEST_CLIPBOARD", False);
    const Window me = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    std::vector<unsigned char> bytes;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (bytes.empty() && Clock::now() < deadline) {
        XConvertSelection(display, clipboard, type, property, me, CurrentTime);
        XFlush(display);
        XEvent event;
        bool answered = false;
        while (!answered && Clock::now() < deadline) {
            answered = XCheckTypedWindowEvent(display, me, SelectionNotify, &event);
            if (!answered)
                pause_ms(20);
        }
        if (!answered || event.xselection.property == 0) {
            pause_ms(50);  // no owner yet, or it has no picture yet: ask again
            continue;
        }
        Atom actual = 0;
        int format = 0;
        unsigned long items = 0, left = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, me, property, 0, 0x7FFFFFF, True, AnyPropertyType, &actual, &format, &items,
                               &left, &data) == Success &&
            data != nullptr) {
            if (format == 8)
                bytes.assign(data, data + items);
            XFree(data);
        }
    }
    XDestroyWindow(display, me);
    return bytes;
}

std::uint32_t little_endian(const std::vector<unsigned char>& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int n = size - 1; n >= 0; --n)
        value = value << 8 | bytes[at + n];
    return value;
}

}  // namespace

// Ctrl+C puts the canvas on the clipboard as an image another program can paste: a BMP of the
// canvas's size whose members are where the canvas shows them.
TEST_F(X11Viewer, CtrlCCopiesTheCanvasAsAnImage)
{
    viewer.start({example("tower.res")}, folder);
    window = main_window("     " + example("tower.res"));
    ASSERT_NE(window, 0u);
    const Picture shown = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the tower");
    focus(window);
    key("ctrl+c");
    const std::vector<unsigned char> bmp = clipboard_as(display, "image/bmp", DIALOG_WAIT_MS);
    ASSERT_GT(bmp.size(), 54u) << "nothing on the clipboard as image/bmp";
    ASSERT_EQ(bmp[0], 'B');
    ASSERT_EQ(bmp[1], 'M');
    const int width = static_cast<int>(little_endian(bmp, 18, 4));
    const int height = static_cast<int>(little_endian(bmp, 22, 4));
    const int bits = static_cast<int>(little_endian(bmp, 28, 2));
    ASSERT_EQ(width, shown.width);
    ASSERT_EQ(std::abs(height), shown.height);
    ASSERT_TRUE(bits == 24 || bits == 32) << bits;
    const std::size_t start = little_endian(bmp, 10, 4);
    const std::size_t pitch = (static_cast<std::size_t>(width) * bits / 8 + 3) / 4 * 4;
    ASSERT_GE(bmp.size(), start + pitch * std::abs(height));
    int same = 0, black = 0;
    for (int y = INSET; y < shown.height - INSET; ++y)
        for (int x = INSET; x < shown.width - INSET; ++x) {
            if (!member_black(shown.at(x, y)))
                continue;
            ++black;
            const int row = height > 0 ? height - 1 - y : y;  // a positive height is stored bottom-up
            const unsigned char* p = &bmp[start + row * pitch + static_cast<std::size_t>(x) * bits / 8];
            same += p[0] < 60 && p[1] < 60 && p[2] < 60 ? 1 : 0;
        }
    EXPECT_GT(same, black * 95 / 100) << same << " of " << black << " black canvas pixels are black in the copy";
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}
