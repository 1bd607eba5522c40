// The kelvaro program reading on a real X server (run inside xsession.sh): a named pipe that
// stalls leaves the window repainting and answering with its reading note, and Escape or the
// note's Cancel button stops the read; the file watch through a fast series of rewrites ends
// showing the last file without a box.
#include "viewer_driver.h"

#include "../pipe_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace {

// The note's background, (255, 255, 230).
bool note_yellow(std::uint32_t p)
{
    return p == 0xffffe6;
}

std::string read_bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class X11ViewerRead : public X11Viewer {
protected:
    void SetUp() override
    {
        std::signal(SIGPIPE, SIG_IGN);
        X11Viewer::SetUp();
    }

    // A window without a frame over the canvas, shown and taken away again: the canvas must
    // repaint what it hid.
    void cover_canvas()
    {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
        const Window cover = XCreateWindow(display, DefaultRootWindow(display), x, y, CANVAS_W, CANVAS_H, 0,
                                           CopyFromParent, InputOutput, CopyFromParent,
                                           CWOverrideRedirect | CWBackPixel, &attributes);
        XMapRaised(display, cover);
        XSync(display, False);
        canvas_until([](const Picture& p) { return count(p, member_black) > CANVAS_W * CANVAS_H / 2; }, "the cover");
        XDestroyWindow(display, cover);
        XSync(display, False);
    }

    // Switches "Reload when the file changes" on: the menu's twelfth entry; the F1 box tells that
    // the menu's choice has been taken.
    void watch_changes()
    {
        sh("xdotool mousemove --window " + std::to_string(window) + " 400 100 click 3");
        // The menu's light grey at the pointer, on the screen: a choice typed before it is up would
        // be lost.
        int left = 0, top = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 410, 110, &left, &top, &child);
        const auto menu_up = [&] {
            int grey = 0;
            for (std::uint32_t p : grab(DefaultRootWindow(display), left, top, 120, 100).pixels)
                grey += p != 0xffffff && blue(p) > 0xa0 && blue(p) < 0xe8 && red(p) == blue(p) ? 1 : 0;
            return grey > 6000;
        };
        for (const auto until = Clock::now() + std::chrono::seconds(10); !menu_up() && Clock::now() < until;)
            pause_ms(10);
        key("Down Down Down Down Down Down Down Down Down Down Down Down Return");
        key("F1");
        answer_box("Controls");
    }

    // The viewer started on a named pipe whose writer stalls after the bridge's first 700 bytes,
    // and the main window once its caption shows the reading note (0 when it does not).
    std::unique_ptr<PipeWriter> start_on_stalled_pipe()
    {
        const fs::path fifo = folder / "solver.pipe";
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const std::string bridge = read_bytes(example("bridge.res"));
        auto writer = std::make_unique<PipeWriter>(fifo, bridge.substr(0, 700), bridge.substr(700));
        viewer.start({fifo.string()}, folder);
        window = main_window("[Reading... 0 MB (Escape stops)]");
        // The writer holds the pipe open before any test stops the read.
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!writer->head_written() && Clock::now() < deadline)
            pause_ms(5);
        return writer;
    }

    // Whether a box of the viewer's is up.
    bool box_shown()
    {
        for (const char* title : {"Warning", "No Results", "Error in Results"})
            if (find_named(title, 0) != 0)
                return true;
        return false;
    }
};

TEST_F(X11ViewerRead, AStalledPipeLeavesTheWindowAnsweringAndEscapeStopsTheRead)
{
    const std::unique_ptr<PipeWriter> writer = start_on_stalled_pipe();
    ASSERT_NE(window, 0u) << "no reading note in the caption";
    canvas_until([](const Picture& p) { return count(p, note_yellow) > 500; }, "the reading note");

    // Repaints and answers while nothing comes.
    cover_canvas();
    canvas_until([](const Picture& p) { return count(p, note_yellow) > 500 && count(p, member_black) == 0; },
                 "the canvas repainted");
    const Picture box = grab(window, CANVAS_W, ELEMENT_NO[1] - 12, 100, 24);
    click(ELEMENT_NO[0], ELEMENT_NO[1]);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (grab(window, CANVAS_W, ELEMENT_NO[1] - 12, 100, 24).pixels == box.pixels && Clock::now() < deadline)
        pause_ms(10);
    EXPECT_FALSE(grab(window, CANVAS_W, ELEMENT_NO[1] - 12, 100, 24).pixels == box.pixels) << "the click was not taken";

    // Escape stops the read: the note goes, the pipe is closed, nothing is shown.
    focus(window);
    key("Escape");
    window = find([](const std::string& caption) {
        return caption.rfind(TITLE_START, 0) == 0 && caption.find('[') == std::string::npos;
    });
    ASSERT_NE(window, 0u) << "the caption keeps the note";
    canvas_until([](const Picture& p) { return count(p, note_yellow) == 0 && count(p, dark) == 0; },
                 "the empty canvas without the note");
    writer->release();
    writer->join();
    EXPECT_TRUE(writer->head_written());
    EXPECT_TRUE(writer->tail_failed()) << "the viewer kept reading the pipe";
    EXPECT_FALSE(box_shown());
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// The note's Cancel button stops the read as Escape does.
TEST_F(X11ViewerRead, TheNotesCancelButtonStopsTheRead)
{
    const std::unique_ptr<PipeWriter> writer = start_on_stalled_pipe();
    ASSERT_NE(window, 0u) << "no reading note in the caption";
    // The button's grey face, (232, 232, 232), at the note's right end.
    const auto button_grey = [](std::uint32_t p) { return p == 0xe8e8e8; };
    const Picture note = canvas_until([&](const Picture& p) { return count(p, button_grey) > 200; }, "the button");
    const Box button = bounds(note, button_grey);
    EXPECT_GT(button.left, bounds(note, note_yellow).left + 100) << "the button is not after the note's text";
    click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    window = find([](const std::string& caption) {
        return caption.rfind(TITLE_START, 0) == 0 && caption.find('[') == std::string::npos;
    });
    ASSERT_NE(window, 0u) << "the caption keeps the note";
    canvas_until([&](const Picture& p) { return count(p, note_yellow) == 0 && count(p, button_grey) == 0; },
                 "the canvas without the note");
    writer->release();
    writer->join();
    EXPECT_TRUE(writer->tail_failed()) << "the viewer kept reading the pipe";
    EXPECT_FALSE(box_shown());
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// Hundreds of rewrites a second, whole by rename and in place (half-written files among them),
// while the watch reloads: no box ever, and the picture ends as the last file's.
TEST_F(X11ViewerRead, ReloadChurnEndsShowingTheLastFileWithoutABox)
{
    const fs::path path = folder / "my results" / "bridge.res";
    const std::string original = read_bytes(path);
    const auto node8_at = [&](const char* y) {
        std::string text = original;
        const std::string node8 = "  8  0 0 0      4.0000     4.0000";
        text.replace(text.find(node8), node8.size(), std::string("  8  0 0 0      4.0000     ") + y);
        return text;
    };
    const std::string last = node8_at("6.0000"), other = node8_at("3.0000");
    const auto replace = [&](const std::string& text) {
        std::ofstream(folder / "my results" / "new.res", std::ios::binary) << text;
        fs::rename(folder / "my results" / "new.res", path);
    };

    viewer.start({path.string()}, folder);
    window = main_window("     " + path.string());
    ASSERT_NE(window, 0u);
    const Picture base = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    watch_changes();

    // The last file alone, and back: the pictures to expect.
    replace(last);
    const Picture expected = canvas_changed_from(base, "the last file");
    replace(original);
    canvas_back_to(base, "the first file again");

    for (int i = 0; i < 300; ++i) {
        switch (i % 3) {
        case 0:
            replace(i % 2 == 0 ? other : original);
            break;
        case 1:  // cut anywhere, in the counts, the geometry or the results
            std::ofstream(path, std::ios::binary) << original.substr(0, (i * 97) % original.size());
            break;
        default:
            std::ofstream(path, std::ios::binary) << other;
            break;
        }
        if (i % 50 == 0) {
            EXPECT_FALSE(box_shown()) << "a box after " << i << " rewrites";
        }
        pause_ms(1);
    }
    replace(last);
    canvas_back_to(expected, "the last file after the rewrites");
    window = main_window("     " + path.string());
    EXPECT_NE(window, 0u) << "the caption keeps a note";
    EXPECT_FALSE(box_shown());
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// A set of load cases under the watch: a change to a case's file shows at once; a file cut short
// keeps the shown set with the note and no box; a change to the combinations file itself reads
// the set it names now.
TEST_F(X11ViewerRead, TheWatchFollowsEveryFileOfASetOfCases)
{
    const std::string original = read_bytes(folder / "my results" / "bridge.res");
    std::string moved = original;
    const std::string node8 = "  8  0 0 0      4.0000     4.0000";
    moved.replace(moved.find(node8), node8.size(), "  8  0 0 0      4.0000     6.0000");
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
    };
    write("a.res", original);
    write("b.res", original);
    write("set.cases", "first = a.res\nsecond = b.res\n");

    viewer.start({"--cases", (folder / "set.cases").string()}, folder);
    window = main_window("set.cases - first");
    ASSERT_NE(window, 0u);
    const Picture base = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    watch_changes();

    // A case's own file, not the combinations file the caption names.
    write("a.res", moved);
    const Picture changed = canvas_changed_from(base, "the first case changed");
    write("a.res", original.substr(0, 300));
    const Picture noted = canvas_until([](const Picture& p) { return count(p, note_yellow) > 500; },
                                       "the note of the failed reload");
    // Above the note's line at the canvas's foot, the picture of the changed case stays.
    const std::size_t above_note = static_cast<std::size_t>(noted.width) * (noted.height - 30);
    ASSERT_EQ(noted.pixels.size(), changed.pixels.size());
    EXPECT_TRUE(std::equal(noted.pixels.begin(), noted.pixels.begin() + above_note, changed.pixels.begin()))
        << "the shown set did not stay";
    EXPECT_FALSE(box_shown());
    write("set.cases", "first = b.res\n");
    canvas_back_to(base, "the set the combinations file names now");
    EXPECT_EQ(count(canvas(), note_yellow), 0);
    EXPECT_FALSE(box_shown());
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

}  // namespace
