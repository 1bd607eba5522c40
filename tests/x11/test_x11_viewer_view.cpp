// The kelvaro program on a real X server (run inside xsession.sh): the command line, every view
// command and display switch checked on the canvas, and a file without results.
#include "viewer_driver.h"

namespace {

// A path with a space given unquoted arrives as two parameters and is joined again; then every
// view command and display switch on the planar bridge, each checked on the canvas; "Exit" ends
// the program with exit code 0.
TEST_F(X11Viewer, SplitPathThenEveryViewCommandThenExit)
{
    const std::string path = (folder / "my results" / "bridge.res").string();
    const std::size_t space = path.find(' ');
    viewer.start({path.substr(0, space), path.substr(space + 1)}, folder);
    window = main_window("     " + path);
    ASSERT_NE(window, 0u) << "no main window captioned with the joined path";

    const Picture base = canvas_until([](const Picture& p) { return count(p, member_black) > 500; },
                                      "the truss in black");
    const Box truss = bounds(base, member_black);
    const int base_dark = count(base, dark);

    // "+" turns and keeps the scale; "-" turns back and refits: the first picture again.
    click(PLUS[0], PLUS[1]);
    canvas_changed_from(base, "the view turned by \"+\"");
    click(MINUS[0], MINUS[1]);
    canvas_back_to(base, "the view turned back by \"-\"");
    // A typed step of 30: the small default tilt of a plane truss seen from above may not move a
    // pixel.
    click(STEP_FIELD[0], STEP_FIELD[1]);
    key("ctrl+a");
    type("30");
    click(HORIZONTAL[0], HORIZONTAL[1]);
    click(PLUS[0], PLUS[1]);
    canvas_changed_from(base, "the view tilted by \"+\" with Horizontal");
    click(MINUS[0], MINUS[1]);
    canvas_back_to(base, "the view tilted back by \"-\" with Horizontal");
    click(VERTICAL[0], VERTICAL[1]);

    // "In" enlarges by a tenth, "Out" shrinks by a tenth of that: 1.1 x 0.9 of the first width.
    click(ZOOM_IN[0], ZOOM_IN[1]);
    const Picture in = canvas_changed_from(base, "the truss enlarged by \"In\"");
    EXPECT_NEAR(bounds(in, member_black).width(), truss.width() * 1.1, 3);
    click(ZOOM_OUT[0], ZOOM_OUT[1]);
    const Picture out = canvas_changed_from(in, "the truss reduced by \"Out\"");
    EXPECT_NEAR(bounds(out, member_black).width(), truss.width() * 0.99, 3);

    // "3D" shows the oblique preset; unticked again, the plan view fitted afresh (zoom undone).
    click(CHECK_3D[0], CHECK_3D[1]);
    const Picture oblique = canvas_changed_from(out, "the 3D view");
    EXPECT_FALSE(same_inside(oblique, base));
    click(CHECK_3D[0], CHECK_3D[1]);
    canvas_back_to(base, "the plan view fitted again");

    // "Deflected" adds the magenta shape below the bridge; a click into the scale field takes it
    // away, and a larger typed scale draws it lower.
    click(DEFLECTED[0], DEFLECTED[1]);
    const Picture deflected = canvas_until([](const Picture& p) { return count(p, magenta) > 300; },
                                           "the deflected shape");
    const int sag = bounds(deflected, magenta).bottom;
    EXPECT_GT(sag, truss.bottom);
    click(SCALE_FIELD[0], SCALE_FIELD[1]);
    canvas_back_to(base, "the shape removed by the scale field");
    // The typing and the click wait in the X queue together while the program is held, as they
    // would behind a slow redraw: the typing must untick the box before the click ticks it.
    kill(viewer.pid(), SIGSTOP);
    key("ctrl+a");
    type("3000");
    click(DEFLECTED[0], DEFLECTED[1]);
    kill(viewer.pid(), SIGCONT);
    const Picture deeper = canvas_until(
        [&](const Picture& p) { return count(p, magenta) > 300 && !same_inside(p, deflected); },
        "the deflected shape at the typed scale");
    EXPECT_GT(bounds(deeper, magenta).bottom, sag + 20);

    // "Animation" unticks "Deflected", shows its frames in (0, 180, 120) and ends on the plain
    // picture.
    click(ANIMATION[0], ANIMATION[1]);
    canvas_until([](const Picture& p) { return count(p, animated) > 50; }, "an animation frame");
    canvas_back_to(base, "the plain picture after the animation");

    // "Applied Load" and "Element No." add black labels; unticked, the first picture again.
    // (The plain picture is also each animation frame's first step, so the animation may still
    // run: wait for the labels themselves.)
    click(APPLIED_LOAD[0], APPLIED_LOAD[1]);
    canvas_until([&](const Picture& p) { return count(p, dark) > base_dark + 100; }, "the load values");
    click(APPLIED_LOAD[0], APPLIED_LOAD[1]);
    canvas_back_to(base, "the picture without load values");
    click(ELEMENT_NO[0], ELEMENT_NO[1]);
    const Picture numbers = canvas_changed_from(base, "the element numbers");
    EXPECT_GT(count(numbers, dark), base_dark + 200);
    click(ELEMENT_NO[0], ELEMENT_NO[1]);
    canvas_back_to(base, "the picture without element numbers");

    // "Show Stresses" ticks "Element No." and writes the table over the numbered picture; the
    // next click on "Element No." unticks it, which brings back the first picture.
    click(SHOW_STRESSES[0], SHOW_STRESSES[1]);
    const Picture table = canvas_until([](const Picture& p) { return count(p, table_text) > 300; }, "the stress table");
    EXPECT_GT(count(table, [](std::uint32_t p) { return p == 0x0000ff; }), 30);  // its heading
    click(ELEMENT_NO[0], ELEMENT_NO[1]);
    canvas_back_to(base, "the picture after \"Element No.\" was unticked");

    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// A file without results: the "No Results" box at start, then the geometry is shown and "Show
// Stresses" does nothing (it neither writes the table nor ticks "Element No.").
TEST_F(X11Viewer, GeometryOnlyFileShowsNoStresses)
{
    viewer.start({example("bridge-geometry.res")}, folder);
    answer_box("No Results");
    window = main_window("     " + example("bridge-geometry.res"));
    ASSERT_NE(window, 0u);
    const Picture base = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the geometry");

    click(SHOW_STRESSES[0], SHOW_STRESSES[1]);
    click(ELEMENT_NO[0], ELEMENT_NO[1]);  // ticks it only if "Show Stresses" did not
    const Picture numbers = canvas_changed_from(base, "the element numbers");
    EXPECT_GT(count(numbers, dark), count(base, dark) + 200);
    EXPECT_EQ(count(numbers, table_text), 0) << "a stress table was written";

    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

}  // namespace
