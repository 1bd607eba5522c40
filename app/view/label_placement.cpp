// Label placement on a grid of cells. Each cell lists (as a chain of entries in flat arrays) the
// boxes that touch it: the obstacles first, then every label as it is kept. A candidate is tested
// against the boxes of the cells it touches only. Kept labels never overlap, so a cell holds a
// bounded number of them and the whole pass grows linearly with the labels (plus one sort of
// 64-bit keys for the priority order).
#include "app/view/label_placement.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace {

constexpr int CELL_WIDTH = 32;   // pixels: about a short label's width
constexpr int CELL_HEIGHT = 16;  // pixels: about a line of text
constexpr int SHARE_BITS = 30;   // the share's place in a sort key
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

// Rank first, then the larger share, then the earlier index: ascending keys.
std::uint64_t sort_key(const LabelCandidate& c, std::size_t index)
{
    const float share = std::isnan(c.share) ? 0.0f : std::clamp(c.share, 0.0f, 1.0f);
    const auto rest = static_cast<std::uint64_t>(std::lround((1.0 - share) * ((1u << SHARE_BITS) - 1)));
    return (static_cast<std::uint64_t>(c.rank) << 62) | (rest << 32) | static_cast<std::uint32_t>(index);
}

double magnitude(double value)
{
    return std::isnan(value) ? 0.0 : std::fabs(value);
}

}  // namespace

// Calls visit with every cell box touches, until visit answers false.
template <typename Visit>
void LabelPlacer::cells_of(const LabelBox& box, Visit visit) const
{
    if (box.x1 <= box.x0 || box.y1 <= box.y0 || columns_ == 0 || rows_ == 0)
        return;
    const int c0 = std::clamp((box.x0 - field_.x0) / CELL_WIDTH, 0, columns_ - 1);
    const int c1 = std::clamp((box.x1 - 1 - field_.x0) / CELL_WIDTH, 0, columns_ - 1);
    const int r0 = std::clamp((box.y0 - field_.y0) / CELL_HEIGHT, 0, rows_ - 1);
    const int r1 = std::clamp((box.y1 - 1 - field_.y0) / CELL_HEIGHT, 0, rows_ - 1);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            if (!visit(r * columns_ + c))
                return;
}

bool LabelPlacer::free(const LabelBox& box) const
{
    bool clear = true;
    cells_of(box, [&](int cell) {
        for (int e = head_[static_cast<std::size_t>(cell)]; e >= 0 && clear; e = next_[static_cast<std::size_t>(e)])
            clear = !boxes_overlap(boxes_[static_cast<std::size_t>(entry_box_[static_cast<std::size_t>(e)])], box);
        return clear;
    });
    return clear;
}

void LabelPlacer::occupy(const LabelBox& box)
{
    const int index = static_cast<int>(boxes_.size());
    boxes_.push_back(box);
    cells_of(box, [&](int cell) {
        int& head = head_[static_cast<std::size_t>(cell)];
        next_.push_back(head);
        entry_box_.push_back(index);
        head = static_cast<int>(next_.size()) - 1;
        return true;
    });
}

const LabelPlacement& LabelPlacer::place(std::span<const LabelCandidate> candidates,
                                         std::span<const LabelBox> obstacles, const LabelBox& field, int gap)
{
    placement_.kept.clear();
    placement_.hidden = 0;
    field_ = field;
    columns_ = std::max(0, (field.x1 - field.x0 + CELL_WIDTH - 1) / CELL_WIDTH);
    rows_ = std::max(0, (field.y1 - field.y0 + CELL_HEIGHT - 1) / CELL_HEIGHT);
    head_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), -1);
    next_.clear();
    entry_box_.clear();
    boxes_.clear();
    for (const LabelBox& obstacle : obstacles)
        occupy(obstacle);

    order_.clear();
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (on_field(candidates[i].anchor_x, candidates[i].anchor_y, field))
            order_.push_back(sort_key(candidates[i], i));
    }
    std::sort(order_.begin(), order_.end());
    // A label's other places follow it in the order (same rank and share, next indices): once one
    // is kept the rest are skipped; the label is hidden when its last place is taken.
    bool placed = false;
    for (std::size_t n = 0; n < order_.size(); ++n) {
        const auto i = static_cast<std::uint32_t>(order_[n]);
        if (candidates[i].alternative && placed)
            continue;
        const LabelBox& box = candidates[i].box;
        placed = inside(box, field) && free(box);
        if (placed) {
            occupy({box.x0 - gap, box.y0 - gap, box.x1 + gap, box.y1 + gap});
            placement_.kept.push_back(static_cast<int>(i));
        } else if (n + 1 == order_.size() || !candidates[static_cast<std::uint32_t>(order_[n + 1])].alternative) {
            ++placement_.hidden;
        }
    }
    candidates_ = candidates;
    return placement_;
}

int LabelPlacer::clear(const LabelBox& box)
{
    std::vector<int>& kept = placement_.kept;
    const auto covered = [&](int i) {
        return i >= 0 && static_cast<std::size_t>(i) < candidates_.size() &&
               boxes_overlap(candidates_[static_cast<std::size_t>(i)].box, box);
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
