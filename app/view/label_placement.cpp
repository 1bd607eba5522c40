// Label placement on a map of the field's pixels, one bit each: the obstacles are marked first,
// then every label as it is kept (grown by the gap). A candidate is free when no bit under its box
// is set, a test of a few words per row of the box, however many obstacles pile up in one place
// (the supports of a 100,000-member model drawn small); bits are only ever set during a placement,
// so a box found taken is remembered and not tested again, and a label of several places that are
// those of one that found each taken is left out at once. Labels given as a set with the very same
// places wait for the first of them in priority order: where it is left out unmade, so are they,
// without a turn each. The pass grows linearly with the labels: the priority order is a radix sort
// of 64-bit keys.
#include "app/view/label_placement.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>
#include <type_traits>

namespace {

constexpr int SHARE_BITS = 30;  // the share's place in a sort key
constexpr int TOP_LIMIT = 10000000;

bool inside(const LabelBox& box, const LabelBox& field)
{
    return box.x0 >= field.x0 && box.y0 >= field.y0 && box.x1 <= field.x1 && box.y1 <= field.y1;
}

bool on_field(float x, float y, const LabelBox& field)
{
    return x >= static_cast<float>(field.x0) && x < static_cast<float>(field.x1) && y >= static_cast<float>(field.y0) &&
           y < static_cast<float>(field.y1);
}

// std::lround of a value in [0, 2^30]: from 0.5 up, value + 0.5 is a multiple of value's last bit
// below the next whole number, so the sum's rounding never reaches it; below 0.5 the sum may round
// up to 1.
std::uint64_t round_share(double value)
{
    return value < 0.5 ? 0 : static_cast<std::uint64_t>(value + 0.5);
}

// Rank first, then the larger share, then the earlier index: ascending keys.
[[gnu::always_inline]] inline std::uint64_t sort_key(const LabelChoice& c, std::size_t index)
{
    const float share = std::isnan(c.share) ? 0.0f : std::clamp(c.share, 0.0f, 1.0f);
    const std::uint64_t rest = round_share((1.0 - share) * ((1u << SHARE_BITS) - 1));
    return (static_cast<std::uint64_t>(c.rank) << 62) | (rest << 32) | static_cast<std::uint32_t>(index);
}

constexpr std::size_t RADIX_FROM = 512;  // fewer keys are sorted by comparison
constexpr int DIGIT_BITS = 11;
constexpr std::size_t DIGITS = std::size_t{1} << DIGIT_BITS;

// Sorts keys whose low 32 bits rise along the vector (the index): a stable sort by the high 32
// bits then leaves every key where a sort of the whole keys would, in a few linear passes.
void sort_keys(std::vector<std::uint64_t>& keys, std::vector<std::uint64_t>& scratch)
{
    if (keys.size() < RADIX_FROM) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    scratch.resize(keys.size());
    for (int shift = 32; shift < 64; shift += DIGIT_BITS) {
        std::array<std::size_t, DIGITS> start{};
        for (const std::uint64_t key : keys)
            ++start[(key >> shift) & (DIGITS - 1)];
        if (std::any_of(start.begin(), start.end(), [&](std::size_t n) { return n == keys.size(); }))
            continue;  // every key has the same digit here
        std::exclusive_scan(start.begin(), start.end(), start.begin(), std::size_t{0});
        for (const std::uint64_t key : keys)
            scratch[start[(key >> shift) & (DIGITS - 1)]++] = key;
        keys.swap(scratch);
    }
}

double magnitude(double value)
{
    return std::isnan(value) ? 0.0 : std::fabs(value);
}

}  // namespace

namespace {

// The bits of the pixels [x0, x1) of one row of the map: words w0..w1 with masks m0 (first) and m1 (last).
struct RowSpan {
    std::size_t w0, w1;
    std::uint64_t m0, m1;
};

RowSpan row_span(int x0, int x1)
{
    const auto first = static_cast<unsigned>(x0), last = static_cast<unsigned>(x1 - 1);
    RowSpan span{first / 64, last / 64, ~std::uint64_t{0} << (first % 64), ~std::uint64_t{0} >> (63 - last % 64)};
    if (span.w0 == span.w1)
        span.m0 = span.m1 = span.m0 & span.m1;
    return span;
}

}  // namespace

void PixelMap::reset(const LabelBox& field)
{
    field_ = field;
    words_ = static_cast<std::size_t>(std::max(0, field.x1 - field.x0) + 63) / 64;
    map_.assign(words_ * static_cast<std::size_t>(std::max(0, field.y1 - field.y0)), 0);
}

bool PixelMap::room_for(const LabelBox& box) const
{
    return inside(box, field_) && free(box);
}

bool PixelMap::free(const LabelBox& box) const
{
    const LabelBox b{std::max(box.x0, field_.x0) - field_.x0, std::max(box.y0, field_.y0) - field_.y0,
                     std::min(box.x1, field_.x1) - field_.x0, std::min(box.y1, field_.y1) - field_.y0};
    if (b.x1 <= b.x0 || b.y1 <= b.y0)
        return true;
    const RowSpan span = row_span(b.x0, b.x1);
    for (int y = b.y0; y < b.y1; ++y) {
        const std::uint64_t* row = map_.data() + static_cast<std::size_t>(y) * words_;
        if ((row[span.w0] & span.m0) != 0 || (row[span.w1] & span.m1) != 0)
            return false;
        for (std::size_t w = span.w0 + 1; w < span.w1; ++w)
            if (row[w] != 0)
                return false;
    }
    return true;
}

namespace {

// A key of a box's corners, 16 bits each: one of its own for every box within a field whose corners
// fit 16 bits.
std::uint64_t box_key(const LabelBox& box)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint16_t>(box.x0)) << 48 |
            static_cast<std::uint64_t>(static_cast<std::uint16_t>(box.y0)) << 32 |
            static_cast<std::uint64_t>(static_cast<std::uint16_t>(box.x1)) << 16 |
            static_cast<std::uint64_t>(static_cast<std::uint16_t>(box.y1))) +
           1;
}

// A box is its four corners' bytes and nothing more: the same bytes, the same boxes.
static_assert(sizeof(LabelBox) == 4 * sizeof(int) && std::has_unique_object_representations_v<LabelBox>);

bool same_boxes(std::span<const LabelBox> a, std::span<const LabelBox> b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size_bytes()) == 0);
}

std::size_t slot_of(std::uint64_t key, std::size_t slots)
{
    return ((key * 0x9E3779B97F4A7C15ULL) >> 40) & (slots - 1);
}

}  // namespace

bool LabelPlacer::room_unless_taken_before(const LabelBox& box, const LabelBox& field)
{
    // Boxes within the field only: their corners fit 16 bits each on any canvas, where the field's do.
    if (!inside(box, field))
        return false;
    const std::uint64_t key = box_key(box);
    const bool fits = field_keys_;
    std::uint64_t& slot = taken_[slot_of(key, TAKEN_SLOTS)];
    if (fits && slot == key)
        return false;
    if (map_.free(box))
        return true;
    if (fits)
        slot = key;
    return false;
}

void PixelMap::occupy(const LabelBox& box)
{
    const LabelBox b{std::max(box.x0, field_.x0) - field_.x0, std::max(box.y0, field_.y0) - field_.y0,
                     std::min(box.x1, field_.x1) - field_.x0, std::min(box.y1, field_.y1) - field_.y0};
    if (b.x1 <= b.x0 || b.y1 <= b.y0)
        return;
    const RowSpan span = row_span(b.x0, b.x1);
    for (int y = b.y0; y < b.y1; ++y) {
        std::uint64_t* row = map_.data() + static_cast<std::size_t>(y) * words_;
        row[span.w0] |= span.m0;
        row[span.w1] |= span.m1;
        for (std::size_t w = span.w0 + 1; w < span.w1; ++w)
            row[w] = ~std::uint64_t{0};
    }
}

const LabelPlacement& LabelPlacer::place(std::span<const LabelCandidate> candidates,
                                         std::span<const LabelBox> obstacles, const LabelBox& field, int gap)
{
    // A candidate's other places follow it (same rank, share and point, the next indices).
    choices_.clear();
    boxes_.clear();
    for (const LabelCandidate& c : candidates) {
        if (!c.alternative)
            choices_.push_back({c.anchor_x, c.anchor_y, c.rank, c.share, static_cast<std::uint32_t>(boxes_.size()), 1});
        else if (!choices_.empty())
            ++choices_.back().count;
        boxes_.push_back(c.box);  // kept places are the candidates' indices
    }
    return place(choices_, boxes_, obstacles, field, gap);
}

std::span<const LabelBox> LabelPlacer::places_of(const LabelChoice& label) const
{
    const std::size_t first = std::min<std::size_t>(label.first, places_.size());
    return places_.subspan(first, std::min<std::size_t>(places_.size() - first, label.count));
}

const LabelPlacement& LabelPlacer::place(std::span<const LabelChoice> labels, std::span<const LabelBox> places,
                                         std::span<const LabelBox> obstacles, const LabelBox& field, int gap,
                                         LabelMake make)
{
    placement_.kept.clear();
    placement_.hidden = 0;
    places_ = places;
    field_keys_ = field.x0 >= 0 && field.y0 >= 0 && field.x1 < 0xFFFF && field.y1 < 0xFFFF;
    map_.reset(field);
    for (const LabelBox& obstacle : obstacles)
        map_.occupy(obstacle);
    taken_.assign(TAKEN_SLOTS, 0);
    failed_.assign(FAILED_SLOTS, 0);

    // Each label's places are tried in turn; once one is kept the rest are skipped, and the label
    // is hidden when its last place is taken.
    order_.clear();
    waiting_.clear();
    runs_.clear();
    run_at_.assign(labels.size(), 0);
    released_.clear();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const std::size_t last = i + std::min<std::size_t>(labels[i].same_places, labels.size() - 1 - i);
        if (last == i) {
            if (on_field(labels[i].anchor_x, labels[i].anchor_y, field))
                order_.push_back(sort_key(labels[i], i));
            continue;
        }
        // A set of labels with the same places: the first of them in priority order enters the
        // order, the rest wait for it. Its index lies within the set's, so the indices still rise.
        const auto next = static_cast<std::uint32_t>(waiting_.size());
        for (; i <= last; ++i) {
            if (on_field(labels[i].anchor_x, labels[i].anchor_y, field))
                waiting_.push_back(sort_key(labels[i], i));
        }
        --i;
        if (waiting_.size() == next)
            continue;
        // The first in priority order up front; the rest are put in order only if their turn comes.
        std::iter_swap(waiting_.begin() + next, std::min_element(waiting_.begin() + next, waiting_.end()));
        const std::uint64_t first = waiting_[next];
        order_.push_back(first);
        runs_.push_back({first, next + 1, static_cast<std::uint32_t>(waiting_.size())});
        run_at_[static_cast<std::uint32_t>(first)] = static_cast<std::uint32_t>(runs_.size());
    }
    sort_keys(order_, sorted_);
    // After a label's turn, the rest of its set: left out with it, or the next of them takes its turn.
    const auto after = [&](const Run& run, bool left_out, bool first_turn) {
        if (left_out) {
            placement_.hidden += static_cast<int>(run.end - run.next);
        } else if (run.next < run.end) {
            if (first_turn)
                std::sort(waiting_.begin() + run.next, waiting_.begin() + run.end);
            released_.push_back({waiting_[run.next], run.next + 1, run.end});
            std::push_heap(released_.begin(), released_.end(), std::greater<>());
        }
    };
    // The labels come in priority order, scattered through memory: each label is fetched a few
    // turns ahead and its places a few turns after that, so that the tests seldom wait for memory.
    constexpr std::size_t LABEL_AHEAD = 16, PLACES_AHEAD = 8;
    for (std::size_t k = 0; k < order_.size() || !released_.empty();) {
        if (k + LABEL_AHEAD < order_.size())
            __builtin_prefetch(&labels[static_cast<std::uint32_t>(order_[k + LABEL_AHEAD])]);
        if (k + PLACES_AHEAD < order_.size()) {
            const LabelChoice& ahead = labels[static_cast<std::uint32_t>(order_[k + PLACES_AHEAD])];
            if (ahead.count > 0 && ahead.first < places.size()) {
                __builtin_prefetch(&places[ahead.first]);
                __builtin_prefetch(&places[ahead.first] + ahead.count - 1);
            }
        }
        Run run{0, 0, 0};         // the rest of the label's set
        bool first_turn = false;  // the set's first turn (its first label's)
        if (!released_.empty() && (k == order_.size() || released_.front().key < order_[k])) {
            std::pop_heap(released_.begin(), released_.end(), std::greater<>());
            run = released_.back();
            released_.pop_back();
        } else {
            run.key = order_[k++];
            if (const std::uint32_t at = run_at_[static_cast<std::uint32_t>(run.key)]; at != 0) {
                run = runs_[at - 1];
                first_turn = true;
            }
        }
        const std::uint64_t key = run.key;
        const LabelChoice& label = labels[static_cast<std::uint32_t>(key)];
        bool placed = false, made = false;
        const std::size_t end = std::min<std::size_t>(places.size(), std::size_t{label.first} + label.count);
        std::uint32_t* failed = nullptr;
        if (end > std::size_t{label.first} + 1) {  // one place: the boxes remembered tell as much
            const std::span<const LabelBox> own = places.subspan(label.first, end - label.first);
            failed = &failed_[slot_of(box_key(own.front()) ^ (box_key(own.back()) * 3 + own.size()), FAILED_SLOTS)];
            if (*failed != 0 && same_boxes(places_of(labels[*failed - 1]), own)) {
                ++placement_.hidden;
                after(run, true, first_turn);
                continue;
            }
        }
        for (std::size_t i = label.first; !placed && i < end; ++i) {
            placed = room_unless_taken_before(places[i], field);
            if (placed && label.provisional && make != nullptr && make(static_cast<std::uint32_t>(key))) {
                made = true;
                placed = room_unless_taken_before(places[i], field);
            }
            if (placed) {
                const LabelBox& box = places[i];
                map_.occupy({box.x0 - gap, box.y0 - gap, box.x1 + gap, box.y1 + gap});
                placement_.kept.push_back(static_cast<int>(i));
            }
        }
        if (!placed)
            ++placement_.hidden;
        // The rest of its set have places taken too unless it was kept or its making changed its own.
        after(run, !placed && !made, first_turn);
        // Each of its places is taken now: where it was made, a narrowest box taken before its
        // making lies within the made one.
        if (!placed && failed != nullptr)
            *failed = static_cast<std::uint32_t>(key) + 1;
    }
    return placement_;
}

int LabelPlacer::clear(const LabelBox& box)
{
    std::vector<int>& kept = placement_.kept;
    const auto covered = [&](int i) {
        return i >= 0 && static_cast<std::size_t>(i) < places_.size() &&
               boxes_overlap(places_[static_cast<std::size_t>(i)], box);
    };
    const auto end = std::remove_if(kept.begin(), kept.end(), covered);
    const int removed = static_cast<int>(kept.end() - end);
    kept.erase(end, kept.end());
    placement_.hidden += removed;
    return removed;
}

std::string label_filter_text(const LabelFilter& filter)
{
    switch (filter.kind) {
    case LabelFilterKind::Largest:
        return "top" + std::to_string(filter.count);
    case LabelFilterKind::Above: {
        char buffer[40];
        const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, filter.value);
        return "above:" + std::string(buffer, r.ptr);
    }
    case LabelFilterKind::All:
        break;
    }
    return "all";
}

std::optional<LabelFilter> parse_label_filter(std::string_view text)
{
    LabelFilter filter;
    if (text == "all")
        return filter;
    const auto whole = [](std::string_view digits, auto& number) {
        const char* end = digits.data() + digits.size();
        const std::from_chars_result r = std::from_chars(digits.data(), end, number);
        return !digits.empty() && r.ec == std::errc() && r.ptr == end;
    };
    if (text.starts_with("top")) {
        int count = 0;
        if (!whole(text.substr(3), count) || count < 1 || count > TOP_LIMIT)
            return std::nullopt;
        filter.kind = LabelFilterKind::Largest;
        filter.count = count;
        return filter;
    }
    if (text.starts_with("above:")) {
        double value = 0.0;
        if (!whole(text.substr(6), value) || !std::isfinite(value) || value < 0.0)
            return std::nullopt;
        filter.kind = LabelFilterKind::Above;
        filter.value = value + 0.0;  // -0 as 0
        return filter;
    }
    return std::nullopt;
}

void label_filter_pass(const LabelFilter& filter, std::span<const double> values, std::vector<char>& passes)
{
    const std::size_t n = values.size();
    if (filter.kind == LabelFilterKind::Above) {
        passes.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            passes[i] = magnitude(values[i]) > filter.value ? 1 : 0;
        return;
    }
    if (filter.kind == LabelFilterKind::All || static_cast<std::size_t>(std::max(filter.count, 0)) >= n) {
        passes.assign(n, 1);
        return;
    }
    passes.assign(n, 0);
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto count = static_cast<std::ptrdiff_t>(std::max(filter.count, 0));
    std::nth_element(order.begin(), order.begin() + count, order.end(), [&](std::size_t a, std::size_t b) {
        const double ma = magnitude(values[a]), mb = magnitude(values[b]);
        return ma > mb || (ma == mb && a < b);
    });
    for (std::ptrdiff_t k = 0; k < count; ++k)
        passes[order[static_cast<std::size_t>(k)]] = 1;
}
