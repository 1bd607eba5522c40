// Label placement: which of a picture's labels are drawn so that no two overlap and none covers
// an obstacle (a support marker, the legend). Labels are taken in priority order (the selection's,
// the extremes', then by the size of their value) and each is kept where it fits; one that does
// not is left out and counted. No drawing here: boxes in, kept boxes and a count out.
//
// The label filter (all, the N largest, above a value) is kept in the view settings; its text form
// is what kelvaro-render's --label-filter takes and the viewer stores between runs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/view/settings.h"

// A box of canvas pixels: columns x0 .. x1 - 1, rows y0 .. y1 - 1.
struct LabelBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    friend bool operator==(const LabelBox&, const LabelBox&) = default;
};

// True when the two boxes share a pixel.
inline bool boxes_overlap(const LabelBox& a, const LabelBox& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// Why a label matters, most important first.
enum class LabelRank : std::uint8_t {
    Selection = 0,  // belongs to the selected member or node
    Extreme = 1,    // names an extreme: the largest force, deflection, reaction or load
    Value = 2,      // any other: ranked by share
};

// A label that would like to be drawn.
struct LabelCandidate {
    LabelBox box;                            // where its text would stand
    float anchor_x = 0.0f, anchor_y = 0.0f;  // the canvas point it labels
    LabelRank rank = LabelRank::Value;
    float share = 0.0f;        // its value's size as a share of the largest of its kind, 0..1
    bool alternative = false;  // another place of the candidate before it (same point, rank and share)
};

// A label that would like to be drawn at one of its places, tried in turn: the boxes
// places[first .. first + count) of the placer's second form.
struct LabelChoice {
    float anchor_x = 0.0f, anchor_y = 0.0f;  // the canvas point it labels
    LabelRank rank = LabelRank::Value;
    float share = 0.0f;  // its value's size as a share of the largest of its kind, 0..1
    std::uint32_t first = 0, count = 0;
    // Its boxes lie within those it will have once made (the label's text not yet known): a box
    // that is taken stays taken, one that is free is made (LabelMake) and tested again.
    bool provisional = false;
    // How many labels right after it (the next indices) have its very places: of them and it, the
    // first in priority order takes its turn; where it is left out without being made, so are the
    // rest, at no cost; else the next of them takes its turn, and so on.
    std::uint32_t same_places = 0;
};

// Makes the final boxes of a provisional label (an index into the labels) in the places given to
// the placer; false when they were made already.
using LabelMake = bool (*)(std::size_t label);

// What a placement kept and left out.
struct LabelPlacement {
    std::vector<int> kept;  // indices into the candidates (the places), in priority order
    int hidden = 0;         // candidates (labels) with their point on the field that were left out
};

// The pixels of a field that are taken, one bit each. Pixels are only ever taken.
class PixelMap {
public:
    // Every pixel of field free.
    void reset(const LabelBox& field);
    // Takes the pixels of box within the field.
    void occupy(const LabelBox& box);
    // True when no pixel of box within the field is taken.
    bool free(const LabelBox& box) const;
    // True when box lies wholly inside the field and none of its pixels is taken: a label may be
    // kept there.
    bool room_for(const LabelBox& box) const;

private:
    LabelBox field_;
    std::size_t words_ = 0;           // 64-bit words per row
    std::vector<std::uint64_t> map_;  // row by row
};

// Places labels on a bit map of the field's pixels, so that a label is tested against what lies
// under it only: the work grows with the number of labels, not its square.
// One placer is reused pass after pass and keeps its memory.
class LabelPlacer {
public:
    // Keeps candidates in priority order (rank, then larger share first, then the earlier one)
    // where their box lies wholly inside field and overlaps neither an obstacle nor a label kept
    // before it grown by gap pixels on every side; where a candidate's place is taken, its
    // alternatives are tried in turn. A candidate whose point lies off the field is skipped and not
    // counted.
    const LabelPlacement& place(std::span<const LabelCandidate> candidates, std::span<const LabelBox> obstacles,
                                const LabelBox& field, int gap = 0);
    // The same for labels given with their places: in priority order (rank, then larger share,
    // then the earlier label) each label is kept at the first of its places that is free.
    const LabelPlacement& place(std::span<const LabelChoice> labels, std::span<const LabelBox> places,
                                std::span<const LabelBox> obstacles, const LabelBox& field, int gap = 0,
                                LabelMake make = nullptr);
    // Leaves out every kept label that overlaps box (a note drawn there); the number left out.
    int clear(const LabelBox& box);
    const LabelPlacement& placement() const { return placement_; }

private:
    // True when box lies inside field and is free, remembering boxes found taken: pixels are only
    // ever taken during a placement, so a box taken once stays taken (many labels of a crowded
    // picture share places to the pixel).
    bool room_unless_taken_before(const LabelBox& box, const LabelBox& field);
    // A label's places (those within places_).
    std::span<const LabelBox> places_of(const LabelChoice& label) const;

    bool field_keys_ = false;  // the field's corners, and so those of every box inside it, fit 16 bits
    PixelMap map_;             // taken by an obstacle or a kept label
    static constexpr std::size_t TAKEN_SLOTS = 8192;
    std::vector<std::uint64_t> taken_;  // boxes found taken in this placement, by a hash (0: none)
    // Labels of more than one place that found each of them taken (as they stand after any making),
    // by a hash of their first and last place: index + 1, 0 for none. A label with the same places
    // is left out too.
    static constexpr std::size_t FAILED_SLOTS = 8192;
    std::vector<std::uint32_t> failed_;
    std::vector<std::uint64_t> order_;  // sort keys: rank, share, index
    // The labels of one place set (LabelChoice::same_places): the keys of those still to come in
    // priority order, a run for each set (waiting_[next .. end)).
    struct Run {
        std::uint64_t key;  // the one whose turn comes first
        std::uint32_t next, end;
        friend bool operator>(const Run& a, const Run& b) { return a.key > b.key; }
    };
    std::vector<std::uint64_t> waiting_;
    std::vector<Run> runs_;              // the sets' runs as they enter the order
    std::vector<std::uint32_t> run_at_;  // [label] its run in runs_ + 1, 0 for none (a label of no set)
    std::vector<Run> released_;          // runs whose first is still to come (a heap, least key first)
    std::vector<std::uint64_t> sorted_;  // scratch of the sort
    std::vector<LabelChoice> choices_;   // the first form's candidates as labels
    std::vector<LabelBox> boxes_;        // and their places
    std::span<const LabelBox> places_;
    LabelPlacement placement_;
};

// The filter's text: "all", "top10" (any count N as "topN"), "above:V".
std::string label_filter_text(const LabelFilter& filter);
// The filter a text names ("all", "topN" with N from 1, "above:V" with V a finite number of 0 or
// more); nothing for any other text.
std::optional<LabelFilter> parse_label_filter(std::string_view text);
// Marks which of values pass filter: all; the filter.count largest magnitudes (the earlier of equal
// ones first); or the magnitudes above filter.value. NaN counts as 0. passes gets values.size() entries.
void label_filter_pass(const LabelFilter& filter, std::span<const double> values, std::vector<char>& passes);
