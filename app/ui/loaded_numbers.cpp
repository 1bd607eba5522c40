// The loaded model's numbers. A reset of TrussModel bumps ViewState.model_resets, which tells the
// numbers kept here that they belong to an earlier model.
#include "app/ui/loaded_numbers.h"

#include <cstdint>
#include <utility>

#include "app/ui/window_state.h"

namespace {

ModelNumbers numbers;              // of TrussModel as last read
bool numbers_current = false;      // numbers belong to the model of numbers_resets
std::uint32_t numbers_resets = 0;  // ViewState.model_resets when numbers were computed
std::optional<Units> units;        // the user's, replacing the file's; nullopt for the file's
DesignLimits limits;               // the user's design limits

}  // namespace

const ModelNumbers& model_numbers()
{
    if (!numbers_current || numbers_resets != ViewState.model_resets) {
        numbers = compute_model_numbers(TrussModel, results_missing == 0);
        if (units)
            numbers.units = *units;
        if (limits.sections.empty() || limits.sections.size() == numbers.members.size()) {
            apply_design_limits(numbers, limits);
        } else {
            DesignLimits stresses_only = limits;
            stresses_only.sections.clear();
            apply_design_limits(numbers, stresses_only);
        }
        numbers_current = true;
        numbers_resets = ViewState.model_resets;
    }
    return numbers;
}

void model_loaded()
{
    numbers_current = false;
}

void set_user_units(std::optional<Units> user)
{
    units = std::move(user);
    numbers_current = false;
}

const std::optional<Units>& user_units()
{
    return units;
}

void set_design_limits(DesignLimits user)
{
    limits = std::move(user);
    numbers_current = false;
}

const DesignLimits& design_limits()
{
    return limits;
}

void set_model_numbers(ModelNumbers given)
{
    numbers = std::move(given);
    numbers_current = true;
    numbers_resets = ViewState.model_resets;
}
