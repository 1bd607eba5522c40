// kelvaro-render's load cases: a combinations file (--cases), a combination of files given on the
// command line (--combine) or the envelope of a set (--envelope), read as one set of cases of one
// truss, and the chosen case or the envelope drawn, reported and written as the options ask.
#pragma once

#include <cstdio>

#include "app/batch/render_options.h"

// Reads the set the options name, draws the case --case names (default: the first case; with
// --combine the combination; with --envelope the envelope, each member in its governing force's
// colour and the legend saying "envelope of N cases") and writes the picture, the report (the
// results report of the case, titled "NAME = COMBINATION" for a combination, or the envelope
// report) and --write-results. Prints diagnostics to err; returns the exit status: 1 for a set
// that is refused, 2 for an unknown case name.
int render_cases(const RenderOptions& options, std::FILE* err);
