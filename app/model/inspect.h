// Inspecting what the pointer is over: the tooltip texts of a member and of a node, from the
// numbers of app/analysis.h (computed once a model is read, kept until the next read).
#pragma once

#include <string>

// The tooltip of member e: number, end nodes, length, stress, force, tension or compression.
std::string member_tooltip(int e);
// The tooltip of node i: number, coordinates, restraints, loads, deflections and their magnitude,
// and the reaction where a component is restrained.
std::string node_tooltip(int i);
// Forgets the numbers (a model was read); the next tooltip computes them afresh.
void inspect_invalidate();
