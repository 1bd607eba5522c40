// Inspecting what the pointer is over: the tooltip texts of a member and of a node, from the
// numbers of app/model/analysis.h (the window computes them once per read and passes them in).
#pragma once

#include <string>

#include "app/model/analysis.h"

// The tooltip of member e: number, end nodes, length, stress, force, tension or compression ("" for
// a number numbers has no member for).
std::string member_tooltip(const ModelNumbers& numbers, int e);
// The tooltip of node i: number, coordinates, restraints, loads, deflections and their magnitude,
// and the reaction where a component is restrained ("" for a number numbers has no node for).
std::string node_tooltip(const ModelNumbers& numbers, int i);
