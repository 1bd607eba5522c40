// Sizing of the truss model's records.
#include "app/model/truss_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

std::size_t record_entries(int count)
{
    return static_cast<std::size_t>(std::max(count, MIN_ENTRIES - 1)) + 1;
}

int usable_entries(int count, std::size_t entries)
{
    if (count < 0)
        return 0;
    return static_cast<int>(std::min(static_cast<std::size_t>(count), entries == 0 ? 0 : entries - 1));
}

void size_node_records(TrussModelData& model, int nodes)
{
    const std::size_t n = record_entries(nodes);
    for (int k = 0; k < 4; ++k) {
        model.node_coords[k].resize(n);
        model.node_fixity[k].resize(n);
        model.node_loads[k].resize(n);
        model.node_deflections[k].resize(n);
    }
    if (!model.node_missing.empty())
        model.node_missing.resize(n);
}

void size_element_records(TrussModelData& model, int elements)
{
    const std::size_t n = record_entries(elements);
    model.element_nodes.resize(n);
    model.element_stress.resize(n);
    model.element_force.resize(n);
    model.element_result_text.resize(n);
    if (!model.element_missing.empty())
        model.element_missing.resize(n);
}

void ResultTexts::resize(std::size_t n)
{
    size_ = n;
    if (!slots_.empty())
        slots_.resize(n * SLOT);
    long_texts_.erase(long_texts_.lower_bound(n), long_texts_.end());
}

void ResultTexts::set_any(std::size_t e, std::string_view text)
{
    if (slots_.empty()) {
        if (text.empty())
            return;
        slots_.resize(size_ * SLOT);
    }
    char* slot = slots_.data() + e * SLOT;
    if (static_cast<unsigned char>(slot[0]) == LONG)
        long_texts_.erase(e);
    if (text.size() > SLOT_TEXT) {
        long_texts_[e] = std::string(text);
        slot[0] = static_cast<char>(LONG);
        return;
    }
    slot[0] = static_cast<char>(text.size());
    std::memcpy(slot + 1, text.data(), text.size());
}

void ResultTexts::clear_texts()
{
    std::vector<char>().swap(slots_);
    long_texts_.clear();
}

void mark_node_missing(TrussModelData& model, int i, std::uint16_t bits)
{
    if (model.node_missing.size() < model.node_coords[1].size())
        model.node_missing.resize(model.node_coords[1].size());
    if (static_cast<std::size_t>(i) < model.node_missing.size())
        model.node_missing[i] |= bits;
}

void mark_element_missing(TrussModelData& model, int e, std::uint8_t bits)
{
    if (model.element_missing.size() < model.element_stress.size())
        model.element_missing.resize(model.element_stress.size());
    if (static_cast<std::size_t>(e) < model.element_missing.size())
        model.element_missing[e] |= bits;
}

int usable_node_count(const TrussModelData& model)
{
    std::size_t entries = model.node_coords[1].size();
    for (int k = 1; k < 4; ++k) {
        entries = std::min({entries, model.node_coords[k].size(), model.node_fixity[k].size(),
                            model.node_loads[k].size(), model.node_deflections[k].size()});
    }
    return usable_entries(model.node_count, entries);
}

int usable_element_count(const TrussModelData& model)
{
    const std::size_t entries = std::min({model.element_nodes.size(), model.element_stress.size(),
                                          model.element_force.size(), model.element_result_text.size()});
    return usable_entries(model.element_count, entries);
}

float automatic_load_scale(float max_load)
{
    return max_load > 0.0f ? 100.0f / max_load : std::numeric_limits<float>::infinity();
}

float automatic_deflection_scale(float max_deflection, float deflection_factor)
{
    if (max_deflection * deflection_factor == 0.0f)
        return 0.0f;
    return (25.0f / max_deflection) * deflection_factor;
}
