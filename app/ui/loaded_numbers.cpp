// The loaded model's numbers. A reset of TrussModel bumps ViewState.model_resets, which tells the
// numbers kept here that they belong to an earlier model.
#include "app/ui/loaded_numbers.h"

#include <cstdint>
#include <utility>

#include "app/ui/window_state.h"
#include "app/view/overlays.h"

namespace {

ModelNumbers numbers;          // of TrussModel as last read
std::uint64_t generation = 0;  // counts the numbers shown: each new set is one more
OverlayNumbers overlays;       // of the numbers shown when overlays_generation is generation
std::uint64_t overlays_generation = 0;
const ModelNumbers* lent = nullptr;  // numbers kept elsewhere shown in place of numbers; nullptr for none
bool numbers_current = false;        // numbers belong to the model of numbers_resets
std::uint32_t numbers_resets = 0;    // ViewState.model_resets when numbers were computed
std::optional<Units> units;          // the user's, replacing the file's; nullopt for the file's
DesignLimits limits;                 // the user's design limits

}  // namespace

const ModelNumbers& model_numbers()
{
    if (!numbers_current || numbers_resets != ViewState.model_resets) {
        lent = nullptr;
        numbers = compute_model_numbers(TrussModel, results_missing == 0);
        apply_user_checks(numbers);
        ++generation;
        numbers_current = true;
        numbers_resets = ViewState.model_resets;
    }
    return lent != nullptr ? *lent : numbers;
}

void apply_user_checks(ModelNumbers& given)
{
    if (units)
        given.units = *units;
    if (limits.sections.empty() || limits.sections.size() == given.members.size()) {
        apply_design_limits(given, limits);
    } else {
        DesignLimits stresses_only = limits;
        stresses_only.sections.clear();
        apply_design_limits(given, stresses_only);
    }
}

void model_loaded()
{
    numbers_current = false;
    lent = nullptr;
}

void set_user_units(std::optional<Units> user)
{
    units = std::move(user);
    numbers_current = false;
    lent = nullptr;
}

const std::optional<Units>& user_units()
{
    return units;
}

void set_design_limits(DesignLimits user)
{
    limits = std::move(user);
    numbers_current = false;
    lent = nullptr;
}

const DesignLimits& design_limits()
{
    return limits;
}

const OverlayNumbers& loaded_overlay_numbers()
{
    const ModelNumbers& shown = model_numbers();
    if (overlays_generation != generation) {
        overlays = compute_overlay_numbers(TrussModel, shown, usable_node_count(TrussModel));
        overlays_generation = generation;
    }
    return overlays;
}

const OverlayNumbers* overlay_numbers_for(const ViewSettings& settings)
{
    return overlays_need_numbers(settings) ? &loaded_overlay_numbers() : nullptr;
}

void set_model_numbers(ModelNumbers given)
{
    ++generation;
    lent = nullptr;
    numbers = std::move(given);
    numbers_current = true;
    numbers_resets = ViewState.model_resets;
}

void lend_model_numbers(const ModelNumbers& given)
{
    ++generation;
    lent = &given;
    numbers_current = true;
    numbers_resets = ViewState.model_resets;
}
