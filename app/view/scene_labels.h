// The labels of one picture, placed together at the end of the pass so that no two overlap and none
// covers a support marker or the legend (app/view/label_placement.h): node numbers, reaction
// values, the largest deflection and the free body's labels always; element numbers and load
// values on a model larger than the first layout's 50 nodes and members. Within that size the
// element numbers and load values are drawn where they stand as they always were, and the other
// labels keep clear of them. When labels were left out on a larger model, a quiet note in a corner
// says how many ("1,204 labels hidden: zoom in").
//
// A label may come without its text (scene_label with a LabelMaker): its places are first tested at
// the narrowest width its text can have, and the text is made only once one of them is free.
//
// State: the labels of the pass being drawn, and the boxes drawn and the count left out in the
// last pass.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/view/label_placement.h"

struct ScenePass;  // app/view/scene_pass.h

constexpr int FIRST_LAYOUT_LIMIT = 50;  // nodes and members the first layout was made for

// What a label names; each kind is ranked and filtered among its own.
enum class LabelKind : std::uint8_t {
    ElementNumber,  // "[e]": value the member's axial force
    LoadValue,      // a load arrow's value
    NodeNumber,     // value the node's deflection
    Reaction,       // a reaction arrow's value
    MaxDeflection,  // the largest deflection's value
    FreeBody,       // a force on the selected node
};
constexpr int LABEL_KINDS = 6;

// One label of the pass: what it names and the canvas point it belongs to.
struct SceneLabel {
    LabelKind kind;
    int item;      // the member (ElementNumber) or node it belongs to; 0 for none
    double value;  // the value it ranks by, in its own unit (sign kept)
    float anchor_x, anchor_y;
};

// Starts the labels of pass (after overlays_prepare): forgets the last pass's and notes the
// support markers as obstacles.
void scene_labels_begin(const ScenePass& pass);
// An element number or a load value with its top-left corner at (x, y): drawn now where it stands
// on a model within FIRST_LAYOUT_LIMIT with every label shown, else placed with the rest.
void scene_specified_label(const SceneLabel& label, float x, float y, std::string_view text, int front, int back);
// A label of the additions with its top-left corner at (x, y), placed with the rest.
void scene_label(const SceneLabel& label, float x, float y, std::string_view text, int front, int back);
// A label of the additions whose text is number (from 0) in decimal, with its top-left corner at
// (x, y), placed with the rest; on a crowded picture the text is mostly never written.
void scene_number_label(const SceneLabel& label, float x, float y, int number, int front, int back);
// Labels of the same kind whose texts are their numbers: number i (from 1) belongs to the point
// (xs[i], ys[i]), with its top-left corner dx, dy from it, and ranks by values[i] (0 where values
// has none); entry 0 and points that are not finite have none.
struct NumberLabels {
    LabelKind kind;
    std::span<const float> xs, ys;
    std::span<const double> values;
    float dx, dy;
};
// scene_number_label for each of run's labels in turn; a run of neighbours on the same pixels is
// passed over at little cost.
void scene_number_labels(const NumberLabels& run, int front, int back);
// A top-left corner of a label, canvas pixels.
struct LabelCorner {
    float x, y;
};
// A label of the additions at the first of places that is free when its turn comes; width is the
// text's draw_text_width.
void scene_label(const SceneLabel& label, std::span<const LabelCorner> places, std::string_view text, int width,
                 int front, int back);
// A label whose text and places are made only when its turn comes and one of its places may be
// free: on a crowded picture most labels never need theirs. make writes the text into buffer and
// the places for it (as many as were given) into places, and returns the text.
struct LabelMaker {
    std::string_view (*make)(const void* context, std::size_t key, std::span<char, 64> buffer,
                             std::span<LabelCorner> places);
    const void* context;
    std::size_t key;
};
constexpr std::size_t MOST_LABEL_PLACES = 16;
// A label of the additions at the first of places that is free when its turn comes, its text made
// by maker. places (the first MOST_LABEL_PLACES) are those of a text of width least, no more than the
// text's width; each place's box grows to both sides (never moves) as the width grows from least.
void scene_label(const SceneLabel& label, std::span<const LabelCorner> places, int least, const LabelMaker& maker,
                 int front, int back);
// Places the pass's labels (after draw_overlays, which drew the legend), draws those kept and the
// note of those left out.
void scene_labels_finish(const ScenePass& pass);

// The boxes of every label drawn in the last pass.
std::span<const LabelBox> scene_label_boxes();
// How many labels the last pass left out for lack of room.
int scene_labels_hidden();
// The note for count labels left out: "1,204 labels hidden: zoom in".
std::string hidden_labels_note(int count);
