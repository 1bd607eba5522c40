// The numbers of the loaded model (TrussModel), kept beside it: computed once per read, on their
// first use after it. Every reset of the model (start-up, "Load File") forgets them, and so does
// model_loaded() for a read without a reset (a reload). The window's overlays and tooltips, its
// results window and the report take them from here.
#pragma once

#include <optional>

#include "app/model/analysis.h"
#include "app/model/checks.h"
#include "app/model/units.h"
#include "app/view/overlay_numbers.h"
#include "app/view/settings.h"

// The numbers of TrussModel as last read (results_missing tells whether it has results).
const ModelNumbers& model_numbers();
// The overlays' numbers of model_numbers() (app/view/overlay_numbers.h), computed once for each set.
const OverlayNumbers& loaded_overlay_numbers();
// loaded_overlay_numbers() for a picture whose overlays read the numbers; nullptr for one whose
// overlays read none (the numbers are then not computed for it).
const OverlayNumbers* overlay_numbers_for(const ViewSettings& settings);
// The user's units and design limits applied to numbers, as model_numbers() applies them.
void apply_user_checks(ModelNumbers& numbers);
// Call after TrussModel was read again without a reset: the next model_numbers() computes afresh.
void model_loaded();
// The user's units ("Units..."), replacing those the file states; nullopt for the file's own.
// Kept across Load File, like the overlay switches.
void set_user_units(std::optional<Units> units);
const std::optional<Units>& user_units();
// The user's design limits ("Design check..."), kept across Load File; their sections count only
// for a model of as many members.
void set_design_limits(DesignLimits limits);
const DesignLimits& design_limits();
// Puts numbers in place of TrussModel's own until the next read or reset (the envelope of a set of
// load cases, drawn on the set's geometry).
void set_model_numbers(ModelNumbers given);
// Shows numbers kept elsewhere, without a copy, as TrussModel's own until the next read, reset or
// change of the user's units or limits (a case of a set of load cases: its numbers, with
// apply_user_checks applied, for the model that is a copy of its own). given must stay in place
// until then, or until model_loaded().
void lend_model_numbers(const ModelNumbers& given);
