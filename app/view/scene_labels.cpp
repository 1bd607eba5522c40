// The labels of a picture, gathered during the pass and placed at its end.
//
// Ranking: a label of the selected member or node (and every free-body label) comes first; then,
// within each kind, the labels of the largest positive and the most negative value in view (the
// extremes); then the rest by their value's share of the largest of their kind in view. The label
// filter works within each kind too, on the labels in view, and never hides the selection's.
//
// A label each place of which a support marker takes from the start is counted as left out when it
// is offered, without a place in the placement: on a large model drawn small that is most of them.
// Labels with no text yet offered one after another on the very same places (the values of
// neighbouring reaction arrows of a model drawn small) go to the placement as one set.
//
// State: the pass's labels (their texts in one buffer), the obstacles, the placer and what the last
// pass drew. Nothing of it is read before scene_labels_begin.
#include "app/view/scene_labels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "app/view/overlays.h"
#include "app/view/pen.h"
#include "app/view/scene_pass.h"
#include "draw/draw.h"

namespace {

const int NOTE_TEXT = draw_rgb(110, 110, 110);  // quiet grey
const int NOTE_BACK = draw_rgb(255, 255, 255);
constexpr int FIELD_MARGIN = 4;   // labels stay inside the canvas frames, pixels
constexpr int NOTE_MARGIN = 8;    // the note's distance from the canvas edge, pixels
constexpr int SUPPORT_REACH = 7;  // the largest restraint ring's radius, pixels
constexpr int LABEL_GAP = 6;      // free pixels round each label of a crowded picture

constexpr std::uint32_t NO_MAKER = ~std::uint32_t{0};
constexpr std::size_t NO_RUN = ~std::size_t{0};
constexpr int UNMEASURED = -1;
constexpr int DIGITS_DIFFER = -2;

// A label waiting for the end of the pass, with its places.
struct PendingLabel {
    SceneLabel label;
    std::uint32_t first_box, boxes;  // in PassLabels::boxes, in the order they are tried
    std::size_t text_at, text_size;  // in texts; for a label with no text yet, text_at is its maker's key
    int front, back;
    bool fixed;                      // drawn whatever the crowd (a specified label of a small model under a filter)
    std::uint32_t maker = NO_MAKER;  // in makers, for a label with no text yet (its boxes a narrower text's)
    std::uint32_t same_places = 0;   // the pending labels after it with its places (LabelChoice::same_places)
};

// A field's edges as floats: a canvas point compared with them as with the field's whole numbers.
struct FieldEdges {
    float x0, y0, x1, y1;

    bool contain(float x, float y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

struct PassLabels {
    bool active = false;  // between scene_labels_begin and scene_labels_finish
    int highlight_member = 0, highlight_node = 0;
    LabelFilter filter;
    bool large = false;  // more nodes or members than the first layout's
    LabelBox field;
    FieldEdges edges;  // the field's, which a label's point is compared with
    std::vector<PendingLabel> pending;
    std::size_t run_head = NO_RUN;         // the first of the last labels added, with no text yet and the same places
    std::vector<LabelBox> boxes;           // the pending labels' places
    std::vector<LabelMaker> makers;        // of the labels with no text yet (their keys kept with them)
    std::array<int, 256> character_width;  // in the pass's font; UNMEASURED until first needed
    int text_height;                       // draw_text_height(), UNMEASURED until first needed
    int digit_width;  // of each digit when all are as wide, else DIGITS_DIFFER; UNMEASURED until first needed
    std::string texts;
    std::vector<LabelBox> obstacles;  // support markers, labels drawn where they stand, the legend
    std::vector<LabelBox> drawn;      // every label drawn in the pass
    int hidden = 0;
    // Scratch kept between passes.
    std::vector<LabelChoice> candidates;
    std::vector<std::uint32_t> candidate_label;  // candidate -> pending
    std::vector<double> values;
    std::vector<std::size_t> value_label;
    std::vector<char> passes;
    std::vector<char> dropped;
    bool any_fixed = false;  // a label of the pass is drawn whatever the crowd
    LabelPlacer placer;
    // Labels every place of which an obstacle noted at the start of the pass takes, without a
    // filter: they are left out whatever comes before them, so they are only counted, with what
    // their kind's ranking needs (app/view/label_placement.h: pixels are only ever taken).
    bool cull = false;
    PixelMap taken_at_start;
    int culled = 0;
    LabelBox last_tested;  // the box last tested at the start of the pass, and if it had room
    bool last_room = false;
    std::array<double, LABEL_KINDS> culled_largest{}, culled_most_negative{}, culled_biggest{};
    std::array<std::size_t, LABEL_KINDS> culled_top_at{}, culled_bottom_at{};  // pending labels before it
};

PassLabels labels;

// draw_text_height() in the pass's font.
int text_height()
{
    if (labels.text_height == UNMEASURED)
        labels.text_height = draw_text_height();
    return labels.text_height;
}

bool filtered_kind(LabelKind kind)
{
    return kind == LabelKind::ElementNumber || kind == LabelKind::LoadValue || kind == LabelKind::NodeNumber ||
           kind == LabelKind::Reaction;
}

bool selected(const SceneLabel& label)
{
    if (label.kind == LabelKind::FreeBody)
        return true;
    if (label.kind == LabelKind::ElementNumber)
        return label.item != 0 && label.item == labels.highlight_member;
    return label.item != 0 && label.item == labels.highlight_node;
}

double magnitude(double value)
{
    return std::isfinite(value) ? std::fabs(value) : 0.0;
}

// The box of a text of width x height with its top-left corner at (x, y); empty where the corner
// has no pixel.
// to_pixels, a point within the limit (so finite and never clamped) rounded without the checks.
[[gnu::always_inline]] inline bool corner_pixels(float x, float y, int& px, int& py)
{
    if (std::fabs(x) <= PIXEL_LIMIT && std::fabs(y) <= PIXEL_LIMIT) {
        px = static_cast<int>(round_whole(x));
        py = static_cast<int>(round_whole(y));
        return true;
    }
    return to_pixels(x, y, px, py);
}

[[gnu::always_inline]] inline LabelBox text_box(float x, float y, int width, int height)
{
    int px = 0, py = 0;
    if (!corner_pixels(x, y, px, py))
        return {};
    return {px, py, px + width, py + height};
}

LabelBox text_box(float x, float y, std::string_view text)
{
    return text_box(x, y, draw_text_width(text), draw_text_height());
}

// Counts a label of kind left out from the start, its value kept where the ranking of its kind
// needs it.
[[gnu::always_inline]] inline void count_culled(LabelKind kind, double value)
{
    const auto k = static_cast<std::size_t>(kind);
    const double v = std::isfinite(value) ? value : 0.0;
    if (v > labels.culled_largest[k]) {
        labels.culled_largest[k] = v;
        labels.culled_top_at[k] = labels.pending.size();
    }
    if (v < labels.culled_most_negative[k]) {
        labels.culled_most_negative[k] = v;
        labels.culled_bottom_at[k] = labels.pending.size();
    }
    labels.culled_biggest[k] = std::max(labels.culled_biggest[k], std::fabs(v));
    ++labels.culled;
}

// True when labels like this one are culled and none of boxes has room at the start of the pass.
bool no_room(const SceneLabel& label, const LabelBox* boxes, std::size_t count)
{
    if (!labels.cull)
        return false;
    for (std::size_t n = 0; n < count; ++n) {
        // Neighbouring nodes of a large model drawn small often put their labels on the same pixels.
        const LabelBox& b = boxes[n];
        if (b != labels.last_tested) {
            labels.last_tested = b;
            labels.last_room = labels.taken_at_start.room_for(b);
        }
        if (labels.last_room)
            return false;
    }
    count_culled(label.kind, label.value);
    return true;
}

// A label at the first of places that is free when its turn comes; the text is width wide.
void add_pending(const SceneLabel& label, std::span<const LabelCorner> places, std::string_view text, int width,
                 int front, int back, bool fixed)
{
    if (!fixed && !labels.edges.contain(label.anchor_x, label.anchor_y))
        return;  // off the field: neither drawn nor counted
    const int height = text_height();
    const auto first = static_cast<std::uint32_t>(labels.boxes.size());
    for (const LabelCorner& place : places) {
        const LabelBox box = text_box(place.x, place.y, width, height);
        if (box.x1 == box.x0 && box.y1 == box.y0)
            continue;  // cannot be placed there
        labels.boxes.push_back(box);
    }
    const auto boxes = static_cast<std::uint32_t>(labels.boxes.size()) - first;
    if (boxes == 0)
        return;
    if (!fixed && no_room(label, labels.boxes.data() + first, boxes)) {
        labels.boxes.resize(first);
        return;
    }
    labels.pending.push_back({label, first, boxes, labels.texts.size(), text.size(), front, back, fixed});
    labels.any_fixed = labels.any_fixed || fixed;
    labels.texts.append(text);
    labels.run_head = NO_RUN;
}

// The text of a label with no text yet and its places for it (as many as it has).
std::string_view make_text(const LabelMaker& maker, std::span<char, 64> buffer, std::span<LabelCorner> places)
{
    return maker.make(maker.context, maker.key, buffer, places);
}

// True when a label with no text yet and the narrowest boxes given has the very places of the
// first of the run of such labels before it (LabelChoice::same_places).
bool same_places_as_head(std::span<const LabelBox> boxes)
{
    const PendingLabel& head = labels.pending[labels.run_head];
    // A box is its corners' bytes (label_placement.cpp): the same bytes, the same boxes.
    return head.boxes == boxes.size() &&
           std::memcmp(boxes.data(), labels.boxes.data() + head.first_box, boxes.size_bytes()) == 0;
}

// The bits of a float without its sign, of PIXEL_LIMIT's: no more for a value within the pen's reach
// (finite and never clamped), more for one beyond it, an infinity or a NaN.
constexpr std::uint32_t SIGN_BIT = 0x80000000u;
constexpr std::uint32_t LIMIT_BITS = std::bit_cast<std::uint32_t>(PIXEL_LIMIT);

// Appends the boxes of a text least wide at each of places, as add_deferred makes them one by one,
// where each place lies within the pen's reach; false, with nothing appended, where one does not.
// Two places at a time: their four coordinates tested, rounded as round_whole rounds them (pen.h)
// and made into two boxes together.
bool append_narrowest_boxes(std::span<const LabelCorner> places, int least, int height, std::vector<LabelBox>& boxes)
{
    using Floats = float __attribute__((vector_size(16)));
    using Ints = std::int32_t __attribute__((vector_size(16)));
    using Bits = std::uint32_t __attribute__((vector_size(16)));
    static_assert(sizeof(LabelCorner) == 2 * sizeof(float) && sizeof(LabelBox) == sizeof(Ints));
    Floats pairs[MOST_LABEL_PLACES / 2];
    const std::size_t count = (places.size() + 1) / 2;
    Bits beyond = {};
    for (std::size_t k = 0; k < count; ++k) {
        const LabelCorner& a = places[2 * k];
        if (2 * k + 1 < places.size())
            std::memcpy(&pairs[k], &a, sizeof pairs[k]);
        else
            pairs[k] = Floats{a.x, a.y, 0.0f, 0.0f};
        beyond |= (std::bit_cast<Bits>(pairs[k]) & ~SIGN_BIT) > LIMIT_BITS;
    }
    if ((beyond[0] | beyond[1] | beyond[2] | beyond[3]) != 0)
        return false;
    const Ints grown = {1, 0, least - 1, height};  // from a corner to its box
    for (std::size_t k = 0; k < count; ++k) {
        const Ints corners = __builtin_convertvector((pairs[k] + ROUND_SHIFT) - ROUND_SHIFT, Ints);
        boxes.push_back(std::bit_cast<LabelBox>(__builtin_shufflevector(corners, corners, 0, 1, 0, 1) + grown));
        if (2 * k + 1 < places.size())
            boxes.push_back(std::bit_cast<LabelBox>(__builtin_shufflevector(corners, corners, 2, 3, 2, 3) + grown));
    }
    return true;
}

// A label at the first of places that is free, its text made when it is needed (see scene_label).
void add_deferred(const SceneLabel& label, std::span<const LabelCorner> places, int least, const LabelMaker& maker,
                  int front, int back)
{
    if (!labels.edges.contain(label.anchor_x, label.anchor_y))
        return;  // off the field: neither drawn nor counted
    if (places.empty())
        return;
    const int height = text_height();
    const auto first = static_cast<std::uint32_t>(labels.boxes.size());
    if ((least == 0 && height == 0) || !append_narrowest_boxes(places, least, height, labels.boxes)) {
        for (std::size_t n = 0; n < places.size(); ++n) {
            int px = 0, py = 0;
            if (!corner_pixels(places[n].x, places[n].y, px, py) || (least == 0 && height == 0)) {
                // A place that cannot be had (or a text of no size): the label as any other, which
                // leaves such places out.
                labels.boxes.resize(first);
                char buffer[64];
                LabelCorner made_places[MOST_LABEL_PLACES];
                const std::string_view text = make_text(maker, buffer, {made_places, places.size()});
                add_pending(label, {made_places, places.size()}, text, draw_text_width(text), front, back, false);
                return;
            }
            // The narrowest text's box less a pixel at each side, where rounding may move an end.
            labels.boxes.push_back({px + 1, py, px + least - 1, py + height});
        }
    }
    const bool same = labels.run_head != NO_RUN && same_places_as_head({labels.boxes.data() + first, places.size()});
    // Labels of one maker mostly come one after another: it is kept once for them.
    if (labels.makers.empty() || labels.makers.back().make != maker.make ||
        labels.makers.back().context != maker.context)
        labels.makers.push_back(maker);
    PendingLabel& p = labels.pending.emplace_back();
    p.label = label;
    p.first_box = first;
    p.boxes = static_cast<std::uint32_t>(places.size());
    p.text_at = maker.key;
    p.front = front;
    p.back = back;
    p.fixed = false;
    p.maker = static_cast<std::uint32_t>(labels.makers.size() - 1);
    if (same)
        ++labels.pending[labels.run_head].same_places;
    else
        labels.run_head = labels.pending.size() - 1;
}

int text_width(std::string_view text);

// Makes the text and the boxes of label (a candidate) when it has none yet; true when it did.
bool make_label(std::size_t label)
{
    PendingLabel& p = labels.pending[labels.candidate_label[label]];
    if (p.maker == NO_MAKER)
        return false;
    char buffer[64];
    LabelCorner places[MOST_LABEL_PLACES];
    const LabelMaker& maker = labels.makers[p.maker];
    const std::string_view text = maker.make(maker.context, p.text_at, std::span<char, 64>(buffer), {places, p.boxes});
    p.maker = NO_MAKER;
    p.text_at = labels.texts.size();
    p.text_size = text.size();
    labels.texts.append(text);
    const int width = text_width(text), height = text_height();
    for (std::uint32_t n = 0; n < p.boxes; ++n)
        labels.boxes[p.first_box + n] = text_box(places[n].x, places[n].y, width, height);
    return true;
}

constexpr std::size_t LONGEST_SUMMED = 64;  // longer texts are measured whole

// draw_text_width(text) from its characters' widths, each measured once a pass: a text is as wide
// as its characters together.
int text_width(std::string_view text)
{
    if (text.size() > LONGEST_SUMMED)
        return draw_text_width(text);
    int width = 0;
    for (const char c : text) {
        int& known = labels.character_width[static_cast<unsigned char>(c)];
        if (known == UNMEASURED)
            known = draw_text_width({&c, 1});
        width += known;
    }
    return width;
}

void add_pending(const SceneLabel& label, float x, float y, std::string_view text, int front, int back, bool fixed)
{
    const LabelCorner place = {x, y};
    add_pending(label, {&place, 1}, text, text_width(text), front, back, fixed);
}

// Marks in labels.dropped the labels the filter leaves out, kind by kind.
void apply_filter()
{
    labels.dropped.assign(labels.pending.size(), 0);
    if (labels.filter.kind == LabelFilterKind::All)
        return;
    for (int k = 0; k < LABEL_KINDS; ++k) {
        const auto kind = static_cast<LabelKind>(k);
        if (!filtered_kind(kind))
            continue;
        labels.values.clear();
        labels.value_label.clear();
        for (std::size_t n = 0; n < labels.pending.size(); ++n) {
            const SceneLabel& label = labels.pending[n].label;
            if (label.kind == kind && !selected(label)) {
                labels.values.push_back(label.value);
                labels.value_label.push_back(n);
            }
        }
        label_filter_pass(labels.filter, labels.values, labels.passes);
        for (std::size_t v = 0; v < labels.values.size(); ++v)
            labels.dropped[labels.value_label[v]] = labels.passes[v] == 0 ? 1 : 0;
    }
}

// The candidates of the pending labels that are neither fixed nor filtered out, ranked.
void make_candidates()
{
    std::array<double, LABEL_KINDS> largest = labels.culled_largest, most_negative = labels.culled_most_negative,
                                    biggest = labels.culled_biggest;
    for (const PendingLabel& p : labels.pending) {
        const auto k = static_cast<std::size_t>(p.label.kind);
        const double v = std::isfinite(p.label.value) ? p.label.value : 0.0;
        largest[k] = std::max(largest[k], v);
        most_negative[k] = std::min(most_negative[k], v);
        biggest[k] = std::max(biggest[k], std::fabs(v));
    }
    labels.candidates.clear();
    labels.candidate_label.clear();
    // Only the first label of an extreme value is one: many equal loads are no extreme.
    std::array<bool, LABEL_KINDS> top_seen{}, bottom_seen{};
    for (std::size_t n = 0; n < labels.pending.size(); ++n) {
        const PendingLabel& p = labels.pending[n];
        if (labels.dropped[n] != 0 || p.fixed)
            continue;
        const auto k = static_cast<std::size_t>(p.label.kind);
        const double v = std::isfinite(p.label.value) ? p.label.value : 0.0;
        LabelChoice c;
        c.anchor_x = p.label.anchor_x;
        c.anchor_y = p.label.anchor_y;
        // A culled label of the extreme value before this one was the extreme's.
        const auto culled_top = [&] { return labels.culled_largest[k] == largest[k] && labels.culled_top_at[k] <= n; };
        const auto culled_bottom = [&] {
            return labels.culled_most_negative[k] == most_negative[k] && labels.culled_bottom_at[k] <= n;
        };
        const bool top = v > 0.0 && v == largest[k] && !culled_top() && !std::exchange(top_seen[k], true);
        const bool bottom = v < 0.0 && v == most_negative[k] && !culled_bottom() &&
                            !std::exchange(bottom_seen[k], true);
        c.rank = selected(p.label) ? LabelRank::Selection : top || bottom ? LabelRank::Extreme : LabelRank::Value;
        c.share = biggest[k] > 0.0 ? static_cast<float>(magnitude(v) / biggest[k]) : 0.0f;
        c.first = p.first_box;
        c.count = p.boxes;
        c.provisional = p.maker != NO_MAKER;
        // The labels of a set are the next ones, which a filter, when there is one, might leave out.
        c.same_places = labels.filter.kind == LabelFilterKind::All ? p.same_places : 0;
        labels.candidates.push_back(c);
        labels.candidate_label.push_back(static_cast<std::uint32_t>(n));
    }
}

// The pending label with box among its places.
const PendingLabel& label_of_box(std::size_t box)
{
    const auto after = std::upper_bound(labels.pending.begin(), labels.pending.end(), box,
                                        [](std::size_t b, const PendingLabel& p) { return b < p.first_box; });
    return *(after - 1);
}

// The label p at its place box.
void draw_pending(const PendingLabel& p, const LabelBox& box)
{
    draw_text(box.x0, box.y0, std::string_view(labels.texts).substr(p.text_at, p.text_size), p.front, p.back);
    labels.drawn.push_back(box);
}

// The note's box in the bottom-left corner, or the top-right one when the legend is there.
LabelBox note_box(const ScenePass& pass, int width, int height)
{
    const int w = pass.settings.canvas.width, h = pass.settings.canvas.height;
    const LabelBox bottom_left = {NOTE_MARGIN, h - NOTE_MARGIN - height, NOTE_MARGIN + width, h - NOTE_MARGIN};
    const OverlayBox legend = overlay_legend_box();
    const LabelBox legend_box = {legend.x, legend.y, legend.x + legend.width, legend.y + legend.height};
    if (legend.width == 0 || !boxes_overlap(bottom_left, legend_box))
        return bottom_left;
    return {w - NOTE_MARGIN - width, NOTE_MARGIN, w - NOTE_MARGIN, NOTE_MARGIN + height};
}

}  // namespace

std::string hidden_labels_note(int count)
{
    std::string digits = std::to_string(count);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits + (count == 1 ? " label hidden: zoom in" : " labels hidden: zoom in");
}

void scene_labels_begin(const ScenePass& pass)
{
    const ViewSettings& s = pass.settings;
    labels.active = true;
    labels.highlight_member = s.overlays.highlight_member;
    labels.highlight_node = s.overlays.highlight_node;
    labels.filter = s.overlays.label_filter;
    labels.large = pass.nodes > FIRST_LAYOUT_LIMIT || pass.elements > FIRST_LAYOUT_LIMIT;
    labels.field = {FIELD_MARGIN, FIELD_MARGIN, s.canvas.width - FIELD_MARGIN, s.canvas.height - FIELD_MARGIN};
    labels.edges = {static_cast<float>(labels.field.x0), static_cast<float>(labels.field.y0),
                    static_cast<float>(labels.field.x1), static_cast<float>(labels.field.y1)};
    labels.pending.clear();
    labels.any_fixed = false;
    labels.run_head = NO_RUN;
    labels.boxes.clear();
    labels.makers.clear();
    labels.character_width.fill(UNMEASURED);
    labels.text_height = UNMEASURED;
    labels.digit_width = UNMEASURED;
    labels.texts.clear();
    labels.obstacles.clear();
    labels.drawn.clear();
    labels.hidden = 0;
    labels.cull = false;
    labels.culled = 0;
    labels.culled_largest.fill(0.0);
    labels.culled_most_negative.fill(0.0);
    labels.culled_biggest.fill(0.0);
    const bool any = s.show_element_numbers != 0 || s.show_load_values != 0 || s.overlays.show_node_numbers ||
                     s.overlays.show_reactions || s.overlays.show_max_deflection || s.overlays.show_free_body;
    if (!any || !s.overlays.show_supports)
        return;
    const std::int8_t* const fixity[3] = {pass.model.node_fixity[1].data(), pass.model.node_fixity[2].data(),
                                          pass.model.node_fixity[3].data()};
    const float* const xs = pass.projection.node_screen[1].data();
    const float* const ys = pass.projection.node_screen[2].data();
    for (int i = 1; i <= pass.nodes; ++i) {
        if (fixity[0][i] != 1 && fixity[1][i] != 1 && fixity[2][i] != 1)
            continue;
        int x = 0, y = 0;
        if (!corner_pixels(xs[i], ys[i], x, y))
            continue;
        const LabelBox ring = {x - SUPPORT_REACH, y - SUPPORT_REACH, x + SUPPORT_REACH + 1, y + SUPPORT_REACH + 1};
        // Neighbouring supports of a large model drawn small often stand on the same pixel: one box
        // covers them all.
        const bool again = !labels.obstacles.empty() && labels.obstacles.back() == ring;
        if (!again && boxes_overlap(ring, labels.field))
            labels.obstacles.push_back(ring);
    }
    // The map of the supports' pixels pays only where labels are many: a model of the first
    // layout's size places its few labels without it.
    labels.cull = labels.large && labels.filter.kind == LabelFilterKind::All && !labels.obstacles.empty();
    if (!labels.cull)
        return;
    labels.taken_at_start.reset(labels.field);
    for (const LabelBox& obstacle : labels.obstacles)
        labels.taken_at_start.occupy(obstacle);
    labels.last_tested = {};
    labels.last_room = labels.taken_at_start.room_for(labels.last_tested);
}

void scene_specified_label(const SceneLabel& label, float x, float y, std::string_view text, int front, int back)
{
    if (!labels.active) {  // a pass without placement (an animation frame): drawn where it stands
        pen_label(x, y, text, front, back);
        return;
    }
    if (labels.large || labels.filter.kind != LabelFilterKind::All) {
        add_pending(label, x, y, text, front, back, !labels.large);
        return;
    }
    pen_label(x, y, text, front, back);
    const LabelBox box = text_box(x, y, text);
    labels.obstacles.push_back(box);
    labels.drawn.push_back(box);
}

void scene_label(const SceneLabel& label, float x, float y, std::string_view text, int front, int back)
{
    if (!labels.active) {
        pen_label(x, y, text, front, back);
        return;
    }
    add_pending(label, x, y, text, front, back, false);
}

namespace {

// The width of every digit, or DIGITS_DIFFER.
int digit_width()
{
    if (labels.digit_width == UNMEASURED) {
        labels.digit_width = text_width("0");
        for (const char c : std::string_view("123456789"))
            labels.digit_width = text_width({&c, 1}) == labels.digit_width ? labels.digit_width : DIGITS_DIFFER;
    }
    return labels.digit_width;
}

}  // namespace

void scene_number_labels(const NumberLabels& run, int front, int back)
{
    const std::size_t count = std::min(run.xs.size(), run.ys.size());
    if (count <= 1)
        return;
    const auto label_of = [&](std::size_t i) {
        const double value = i < run.values.size() ? run.values[i] : 0.0;
        return SceneLabel{run.kind, static_cast<int>(i), value, run.xs[i], run.ys[i]};
    };
    const bool boxes_known = labels.active && labels.cull && digit_width() != DIGITS_DIFFER;
    const FieldEdges edges = labels.edges;
    const int width = boxes_known ? labels.digit_width : 0, height = boxes_known ? text_height() : 0;
    int digits = 1;
    std::size_t next_digit = 10;  // the first number of one digit more
    for (std::size_t i = 1; i < count; ++i) {
        const float x = run.xs[i], y = run.ys[i];
        if (!std::isfinite(x) || !std::isfinite(y))
            continue;
        for (; i >= next_digit; next_digit *= 10)
            ++digits;
        if (!boxes_known || !edges.contain(x, y)) {
            scene_number_label(label_of(i), x + run.dx, y + run.dy, static_cast<int>(i), front, back);
            continue;
        }
        // As scene_number_label: the box from the digit count; neighbouring nodes of a large model
        // drawn small mostly share theirs, so a run of them is counted with the box tested once.
        const LabelBox box = text_box(x + run.dx, y + run.dy, digits * width, height);
        if (box.x1 == box.x0 && box.y1 == box.y0)
            continue;  // cannot be placed there
        if (box != labels.last_tested) {
            labels.last_tested = box;
            labels.last_room = labels.taken_at_start.room_for(box);
        }
        if (!labels.last_room) {
            count_culled(run.kind, i < run.values.size() ? run.values[i] : 0.0);
            continue;
        }
        char text[16];
        const char* end = std::to_chars(text, text + sizeof text, i).ptr;
        add_pending(label_of(i), x + run.dx, y + run.dy, std::string_view(text, static_cast<std::size_t>(end - text)),
                    front, back, false);
    }
}

void scene_number_label(const SceneLabel& label, float x, float y, int number, int front, int back)
{
    char text[16];
    const auto written = [&] {
        return std::string_view(text,
                                static_cast<std::size_t>(std::to_chars(text, text + sizeof text, number).ptr - text));
    };
    if (!labels.active || number < 0) {
        scene_label(label, x, y, written(), front, back);
        return;
    }
    // With digits all as wide, the box is had without the text: most labels of a crowded picture
    // have no room among the support markers.
    if (digit_width() != DIGITS_DIFFER && labels.cull && labels.edges.contain(label.anchor_x, label.anchor_y)) {
        int digits = 1;
        for (std::int64_t below = 10; number >= below; below *= 10)
            ++digits;
        const LabelBox box = text_box(x, y, digits * labels.digit_width, text_height());
        if (box.x1 == box.x0 && box.y1 == box.y0)
            return;  // cannot be placed there
        if (no_room(label, &box, 1))
            return;
    }
    add_pending(label, x, y, written(), front, back, false);
}

void scene_label(const SceneLabel& label, std::span<const LabelCorner> places, std::string_view text, int width,
                 int front, int back)
{
    if (!labels.active) {
        if (!places.empty())
            pen_label(places.front().x, places.front().y, text, front, back);
        return;
    }
    add_pending(label, places, text, width, front, back, false);
}

void scene_label(const SceneLabel& label, std::span<const LabelCorner> places, int least, const LabelMaker& maker,
                 int front, int back)
{
    if (!labels.active) {
        char buffer[64];
        LabelCorner made[MOST_LABEL_PLACES];
        const std::string_view text = make_text(maker, buffer, {made, std::min(places.size(), MOST_LABEL_PLACES)});
        if (!places.empty())
            pen_label(made[0].x, made[0].y, text, front, back);
        return;
    }
    add_deferred(label, places.first(std::min(places.size(), MOST_LABEL_PLACES)), least, maker, front, back);
}

void scene_labels_finish(const ScenePass& pass)
{
    labels.active = false;
    if (labels.pending.empty() && labels.culled == 0)
        return;
    apply_filter();
    make_candidates();
    const OverlayBox legend = overlay_legend_box();
    if (legend.width > 0)
        labels.obstacles.push_back({legend.x, legend.y, legend.x + legend.width, legend.y + legend.height});
    LabelPlacer& placer = labels.placer;
    placer.place(labels.candidates, labels.boxes, labels.obstacles, labels.field, labels.large ? LABEL_GAP : 0,
                 make_label);
    std::string note;
    LabelBox note_at;
    if (placer.placement().hidden + labels.culled > 0 && labels.large) {
        // Room for the longest note the count can come to, then the labels under it go too.
        const int most = placer.placement().hidden + labels.culled + static_cast<int>(placer.placement().kept.size());
        note_at = note_box(pass, draw_text_width(hidden_labels_note(most)), draw_text_height());
        placer.clear(note_at);
        note = hidden_labels_note(placer.placement().hidden + labels.culled);
    }
    draw_mode(DRAW_MODE_OUTLINE);
    for (std::size_t n = 0; labels.any_fixed && n < labels.pending.size(); ++n) {  // few passes have any
        const PendingLabel& p = labels.pending[n];
        if (p.fixed && labels.dropped[n] == 0)
            draw_pending(p, labels.boxes[p.first_box]);
    }
    for (const int c : placer.placement().kept) {
        const auto box = static_cast<std::size_t>(c);
        draw_pending(label_of_box(box), labels.boxes[box]);
    }
    labels.hidden = placer.placement().hidden + labels.culled;
    if (!note.empty())
        draw_text(note_at.x0, note_at.y0, note, NOTE_TEXT, NOTE_BACK);
}

std::span<const LabelBox> scene_label_boxes()
{
    return labels.drawn;
}

int scene_labels_hidden()
{
    return labels.hidden;
}
