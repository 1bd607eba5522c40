// The truss as an ASCII DXF drawing (AutoCAD R12, AC1009) for CAD programs: every drawable member
// as a 3D LINE in the file's own coordinates (as the results file writes them, not centred), on a
// layer by its state, and on request the member and node numbers as TEXT and the deflected shape.
//
// Layers (colour as AutoCAD colour index):
//   TENSION (1, red), COMPRESSION (5, blue), ZERO (8, grey): the members, by the sign of their force
//     (ZERO also for every member of a file without results);
//   MEMBER_NUMBERS (3, green): each member's number at its midpoint, centred;
//   NODE_NUMBERS (7): each node's number at the node, centred; every node 1..node_count;
//   DEFLECTED (6, magenta): each drawable member between its deflected end nodes,
//     coordinates + magnification * deflection; only for a file with results.
// The three optional layers are in the layer table only when asked for. Text lies in the XY plane.
// Positions are float32, written in the shortest form that reads back to the same value: the
// coordinates exactly as the file gave them. A LINE or TEXT whose position is not finite is left
// out. Lines end in LF.
#pragma once

#include <string>

#include "app/model/analysis.h"

struct DxfOptions {
    bool member_numbers = false;  // member numbers on MEMBER_NUMBERS
    bool node_numbers = false;    // node numbers on NODE_NUMBERS
    bool deflected = false;       // the deflected shape on DEFLECTED
    double magnification = 1;     // times the real deflections in the deflected shape
    double text_height = 0;       // model length units; 0 = 1/50 of the model's largest extent
};

// The drawing of numbers' members and nodes as a DXF document.
std::string dxf_document(const ModelNumbers& numbers, const DxfOptions& options);
// The document written whole to path (core/atomic_file.h). "" on success, else the reason.
std::string write_dxf_file(const std::string& path, const ModelNumbers& numbers, const DxfOptions& options);
