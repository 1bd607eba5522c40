// The truss as a VTK XML unstructured grid (.vtu, version 1.0, ASCII) for VTK-based
// post-processors: every node 1..node_count a point (point i - 1 is node i, also a node no member
// uses) in the file's own coordinates (not centred), one line cell (VTK type 3) per drawable
// member, in member order.
//
// Point data: "node" (Int32), "deflection", "load" (Float32, 3 components, as the file gives
// them), "reaction" (Float64, 3 components, 0 where not restrained), "restraint" (Int32, 3
// components, the file's codes). Cell data: "member" (Int32, the member's number), "force",
// "stress" (Float32, as the file gives them) and "utilisation" (Float64) when given. Vectors are
// in the file's order x, y, z. Numbers are written in the shortest form that reads back to the
// same value; a value that is not finite is written as nan, inf or -inf.
#pragma once

#include <string>
#include <vector>

#include "app/model/analysis.h"

// The grid of numbers' nodes and members as a VTU document. utilisation, when given, is indexed
// like numbers.members (entry e for member e); a member beyond its end gets 0.
std::string vtu_document(const ModelNumbers& numbers, const std::vector<double>* utilisation = nullptr);
// The document written whole to path (core/atomic_file.h). "" on success, else the reason.
std::string write_vtu_file(const std::string& path, const ModelNumbers& numbers,
                           const std::vector<double>* utilisation = nullptr);
