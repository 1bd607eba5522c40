// The truss model as a value: the records one results file fills, and their sizing.
//
// The per-node and per-element records are growable: each holds node_count + 1 (or
// element_count + 1) entries, and never fewer than 51, so that nodes and elements 1..50 always
// have an entry; index 0 is never used. A read grows them with the lines it actually reads, up to
// 10,000,000 nodes and 10,000,000 elements. Vector records have a component index 0..3 (1..3 used).
// Components: 1 is the file's third value (z), 2 the first (x), 3 the second (y).
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

constexpr int MAX_NODES = 10000000;                // most nodes a model holds; a read cuts larger counts
constexpr int MAX_ELEMENTS = 10000000;             // most elements a model holds
constexpr int MIN_ENTRIES = 51;                    // entries every node and element record always has (0 unused)
constexpr float DEFAULT_DEFLECTION_FACTOR = 0.6f;  // deflection_factor of a new model

// The members' result texts ([e] as the records): each in a fixed slot of one shared block, so that
// a million members take 24 MB rather than a heap string each. A text longer than a slot holds
// (which the reader never makes) is kept on its own. While every text is "" the record takes no
// block at all.
class ResultTexts {
public:
    static constexpr std::size_t SLOT_TEXT = 23;  // bytes of text a slot holds

    std::size_t size() const { return size_; }
    // Gives the record n entries; new entries are "".
    void resize(std::size_t n);
    // Text e; "" past the end.
    std::string_view operator[](std::size_t e) const
    {
        if (e >= slots_.size() / SLOT)
            return {};
        const char* slot = slots_.data() + e * SLOT;
        const auto length = static_cast<unsigned char>(slot[0]);
        return length == LONG ? std::string_view(long_texts_.at(e)) : std::string_view(slot + 1, length);
    }
    // Makes text e a copy of text (e < size()). The usual text, a result line's last SLOT_TEXT
    // characters over a short one, is copied in place.
    void set(std::size_t e, std::string_view text)
    {
        if (text.size() == SLOT_TEXT && !slots_.empty()) {
            char* slot = slots_.data() + e * SLOT;
            if (static_cast<unsigned char>(slot[0]) != LONG) {
                slot[0] = static_cast<char>(SLOT_TEXT);
                std::memcpy(slot + 1, text.data(), SLOT_TEXT);
                return;
            }
        }
        set_any(e, text);
    }
    // Makes every text "" and gives their block back; the size stays.
    void clear_texts();

private:
    static constexpr std::size_t SLOT = SLOT_TEXT + 1;  // a length byte, then the text
    static constexpr unsigned char LONG = 0xFF;         // length byte of a text kept on its own

    void set_any(std::size_t e, std::string_view text);

    std::size_t size_ = 0;     // entries
    std::vector<char> slots_;  // size_ slots, or none while every text is ""
    std::map<std::size_t, std::string> long_texts_;
};

// One results set. A default-made model is empty (no records yet) with the default deflection factor.
struct TrussModelData {
    std::string title_line;                                  // the file's first line: the solver's title and units
    std::int32_t node_count = 0;                             // nodes 1..node_count are used (<= MAX_NODES)
    std::int32_t element_count = 0;                          // elements 1..element_count are used (<= MAX_ELEMENTS)
    std::vector<float> node_coords[4];                       // [k][i] model length units, centred after a read
    std::vector<std::int8_t> node_fixity[4];                 // [k][i] restraint code, 1 = restrained
    std::vector<float> node_loads[4];                        // [k][i] applied load, force units
    std::vector<std::array<std::int32_t, 3>> element_nodes;  // [e][j] end node j = 1, 2; 0 = no usable node
    std::vector<float> node_deflections[4];                  // [k][i] displacement, model length units
    std::vector<float> element_stress;                       // [e] stress, solver units
    std::vector<float> element_force;                        // [e] axial force, force units
    ResultTexts element_result_text;                         // [e] last 23 characters of the result line
    float coord_max[4] = {};                                 // [k] running upper extent, always >= 0
    float coord_min[4] = {};                                 // [k] running lower extent, always <= 0
    float model_centre[4] = {};                              // [k] midpoint of the extent, subtracted from coords
    float max_load = 0.0f;                                   // largest |load component|, force units
    float load_scale = 0.0f;                                 // 100 / max_load: pixels per force unit
    float max_deflection = 0.0f;                             // largest |deflection component|, length units
    float deflection_scale = 0.0f;                        // the automatic scale the read found, pixels per length unit
    float deflection_factor = DEFAULT_DEFLECTION_FACTOR;  // share of the canvas a fit fills; scales deflections
    // Values the read could not take from the file (absent, not a number or not finite), as MISSING_* bits per
    // entry; the record keeps what was read in their place. Empty while nothing is missing (every complete file).
    std::vector<std::uint16_t> node_missing;    // [i] bits of MISSING_POSITION, MISSING_LOAD, MISSING_DEFLECTION
    std::vector<std::uint8_t> element_missing;  // [e] MISSING_STRESS | MISSING_FORCE
    std::string deflection_heading;  // first heading line of the deflections ("Nodal deflections [m]"), "" if none
    std::string result_heading;      // first heading line of the member results, "" if none
};

// The bit of model component k (1..3) of a node's missing coordinate, load or deflection: the group's bit << (k - 1).
constexpr std::uint16_t MISSING_POSITION = 1;
constexpr std::uint16_t MISSING_LOAD = 1 << 3;
constexpr std::uint16_t MISSING_DEFLECTION = 1 << 6;
constexpr std::uint16_t MISSING_ALL_COMPONENTS = 7;  // a group's three bits, shifted by its first bit
constexpr std::uint8_t MISSING_STRESS = 1;
constexpr std::uint8_t MISSING_FORCE = 2;

// Marks bits of node i (1..) as missing, giving the record its entries first.
void mark_node_missing(TrussModelData& model, int i, std::uint16_t bits);
// Marks bits of element e (1..) as missing.
void mark_element_missing(TrussModelData& model, int e, std::uint8_t bits);
// The missing bits of node i or element e (0: everything was read).
inline std::uint16_t node_missing_bits(const TrussModelData& model, int i)
{
    return static_cast<std::size_t>(i) < model.node_missing.size() ? model.node_missing[i] : 0;
}
inline std::uint8_t element_missing_bits(const TrussModelData& model, int e)
{
    return static_cast<std::size_t>(e) < model.element_missing.size() ? model.element_missing[e] : 0;
}

// Entries a record needs for count nodes or elements: index 0 and 1..max(count, 50).
std::size_t record_entries(int count);
// The entries of a record that index 1..count can use, as a count (0 when count is negative).
int usable_entries(int count, std::size_t entries);

// Gives every per-node record of model max(nodes, 50) + 1 entries; new entries are 0.
void size_node_records(TrussModelData& model, int nodes);
// Gives every per-element record of model max(elements, 50) + 1 entries; new entries are 0.
void size_element_records(TrussModelData& model, int elements);
// model.node_count limited to the nodes every per-node record has an entry for (0 when negative).
int usable_node_count(const TrussModelData& model);
// model.element_count limited to the elements every per-element record has an entry for.
int usable_element_count(const TrussModelData& model);

// Running maximum of |value| (max_load, max_deflection); a non-finite value is left out, so that
// one bad number cannot turn a scale into 0 or NaN for the whole model. Inline: the reader keeps
// it for every value it reads.
inline void keep_largest_magnitude(float& running, float value)
{
    const float magnitude = std::fabs(value);
    if (std::isfinite(magnitude) && magnitude > running)
        running = magnitude;
}
// The load scale of a model whose largest |load component| is max_load: 100 / max_load pixels per
// force unit; infinite when every load is zero (only non-zero loads are ever drawn with it).
float automatic_load_scale(float max_load);
// The automatic deflection scale of a model whose largest |deflection component| is max_deflection:
// (25 / max_deflection) * deflection_factor pixels per length unit; 0 when max_deflection *
// deflection_factor is 0 (the deflections give no scale).
float automatic_deflection_scale(float max_deflection, float deflection_factor);
