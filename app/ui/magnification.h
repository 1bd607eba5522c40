// The deflected shape's true magnification: "Magnification..." fixes it (View.magnification), the
// shape is then drawn that many times the real deflections at any zoom, and the scale field follows
// it, showing the scale that gives it at the present zoom. A scale typed into the field ends it.
#pragma once

// "Magnification...": asks for N (empty for none); N fixes the true magnification and ticks
// "Deflected" when there are deflections; empty hands the scale back to the field as it stands. A
// number out of range is refused in a "Warning" box and changes nothing.
void magnification_command();
// While a true magnification holds: the scale field's text and View's deflection scale for it at
// the present zoom (after anything that may have zoomed).
void follow_magnification();
