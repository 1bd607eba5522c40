// The calculation sheet: a vector PDF an engineer hands in. Page 1 holds the title block and the
// picture the options draw (the scene painted as vectors with real text, app/export/cairo_surface.h);
// then the summary (extremes with their members and nodes, the equilibrium check, units, case and,
// with utilisations, the largest and the members over the limit), the support reactions, the
// member table and the node table, each table broken over pages with its header repeated, every
// page numbered "Page i of N". Text is set in DejaVu Sans through cairo (embedded, selectable).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/export/title_block.h"
#include "app/model/analysis.h"
#include "app/model/truss_model.h"
#include "app/view/settings.h"
#include "app/view/view.h"

// Sheet sizes, portrait.
enum class Paper { A4, Letter, A3 };

// The paper named "a4", "letter" or "a3" (any letter case); nullopt for another name.
std::optional<Paper> paper_named(std::string_view name);
// "a4, letter or a3", for messages.
std::string paper_list();
// The page's width and height in points (1/72 inch).
void paper_size(Paper paper, double& width, double& height);

// Everything the sheet shows. The picture is drawn with settings and projection as they stand
// (render_scene); the tables come from numbers.
struct SheetInput {
    const TrussModelData* model = nullptr;
    const ModelNumbers* numbers = nullptr;
    const ViewSettings* settings = nullptr;
    Projection* projection = nullptr;
    TitleBlock block;
    std::vector<double> utilisation;     // [e] per member, entry 0 unused; empty when not known
    double utilisation_limit = 1.0;      // members above this are listed as over the limit
    std::vector<std::string> governing;  // [e] the case that governs member e in an envelope; empty otherwise
    Paper paper = Paper::A4;
};

// The sheet as PDF bytes; "" (and the reason in error) when it cannot be made.
std::string sheet_pdf(const SheetInput& input, std::string& error);
// Takes the units and, when design limits were applied, the utilisations of numbers into input
// (a member no limit bears on gets 0).
void take_sheet_checks(SheetInput& input, const ModelNumbers& numbers);
// The sheet written to path whole or not at all. "" on success, else the reason.
std::string write_sheet_file(const std::string& path, const SheetInput& input);
