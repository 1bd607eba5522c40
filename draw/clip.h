// Cutting a line segment to a box (Liang-Barsky) in double precision, so that a segment with a far-off
// end keeps its slope when it is drawn, recorded or looked up.
#pragma once

#include <algorithm>

// Cuts the segment (x1, y1)-(x2, y2) to the box [left, right] x [top, bottom]; false when nothing of
// it is inside. An end that is already inside is left exactly as it was.
inline bool clip_segment_to_box(double& x1, double& y1, double& x2, double& y2, double left, double top, double right,
                                double bottom)
{
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double enter = 0.0;
    double leave = 1.0;
    // Each edge as p * t <= q for the point x1 + t dx, y1 + t dy.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - left, right - x1, y1 - top, bottom - y1};
    for (int edge = 0; edge < 4; ++edge) {
        if (p[edge] == 0.0) {
            if (q[edge] < 0.0)
                return false;
            continue;
        }
        const double t = q[edge] / p[edge];
        if (p[edge] < 0.0) {
            enter = std::max(enter, t);
        } else {
            leave = std::min(leave, t);
        }
    }
    if (enter > leave)
        return false;
    const double ox = x1;
    const double oy = y1;
    if (leave < 1.0) {
        x2 = ox + leave * dx;
        y2 = oy + leave * dy;
    }
    if (enter > 0.0) {
        x1 = ox + enter * dx;
        y1 = oy + enter * dy;
    }
    return true;
}
