// Object numbers of the viewer: the main window, the results file slot, the capture image and the
// controls of the main window (the canvas and the column beside it).
#pragma once

constexpr int MAIN_WINDOW = 0;    // window number of the main window
constexpr int RESULTS_FILE = 1;   // file slot the results file is read from
constexpr int CAPTURE_IMAGE = 0;  // image number of the window capture when saving a view

// Control numbers; the canvas comes first, then the column from top to bottom.
constexpr int ID_CANVAS = 19;           // drawing canvas, 700 x 500
constexpr int ID_ROTATE_LABEL = 1;      // text "Rotate"
constexpr int ID_ROTATE_MINUS = 17;     // button "-": rotate back and refit
constexpr int ID_ROTATE_PLUS = 16;      // button "+": rotate on, keeping the scale
constexpr int ID_VERTICAL = 3;          // option "Vertical": rotations change the azimuth
constexpr int ID_HORIZONTAL = 2;        // option "Horizontal": rotations change the elevation
constexpr int ID_ROTATE_STEP = 4;       // edit field: rotation step in degrees
constexpr int ID_ZOOM_OUT = 14;         // button "Out"
constexpr int ID_ZOOM_IN = 15;          // button "In"
constexpr int ID_3D = 5;                // check box "3D": 3D view preset, else plan view
constexpr int ID_DEFLECTED = 6;         // check box "Deflected": draw the deflected shape
constexpr int ID_DEFLECTION_SCALE = 7;  // edit field: deflection scale
constexpr int ID_ANIMATION = 8;         // button "Animation"
constexpr int ID_APPLIED_LOAD = 9;      // check box "Applied Load": load value labels
constexpr int ID_ELEMENT_NO = 10;       // check box "Element No.": element number labels
constexpr int ID_SHOW_STRESSES = 11;    // button "Show Stresses": the element result table
constexpr int ID_SAVE_IMAGE = 18;       // button "Save Image"
constexpr int ID_LOAD_FILE = 12;        // button "Load File"
constexpr int ID_EXIT = 13;             // button "Exit"
