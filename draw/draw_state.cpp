// The per-thread drawing state: outputs over pictures and SVG recorders, the drawing pass and the mode.
//
// Each thread has at most one current DrawOutput (a thread_local slot). draw_begin hands out a
// context value, unique for the process lifetime, from which draw_context_picture finds the
// picture again while the pass lasts. An SVG recorder attached to a picture (draw_record_svg) is
// handed to every output over that picture begun on the thread while it is attached.
#include <atomic>
#include <memory>
#include <utility>

#include "draw/draw.h"
#include "draw/draw_internal.h"
#include "draw/sink.h"
#include "draw/svg.h"

namespace {

thread_local std::unique_ptr<DrawOutput> current_output;  // the thread's current state
std::atomic<std::intptr_t> next_context{1};               // contexts are never handed out twice
thread_local SvgRecorder* attached_recorder = nullptr;    // given to the outputs begun over attached_picture
thread_local const Picture* attached_picture = nullptr;   // the picture whose passes are recorded

DrawChannels split_colour(int colour)
{
    DrawChannels channels;
    channels.red = static_cast<std::uint8_t>(colour & 0xFF);
    channels.green = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
    channels.blue = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
    channels.alpha = static_cast<std::uint8_t>((colour >> 24) & 0xFF);
    return channels;
}

// Runs the release hook once and drops the state; the slot is cleared before the hook runs so a
// hook that starts another output cannot see the dying one.
void release_current(bool refresh)
{
    std::unique_ptr<DrawOutput> out = std::move(current_output);
    if (!out) {
        return;
    }
    if (out->context != 0) {
        text_layer_stop(*out);
    }
    out->bits = nullptr;
    out->context = 0;
    DrawRelease release = std::move(out->release);
    out.reset();
    if (release) {
        release(refresh);
    }
}

bool picture_usable(const Picture& picture)
{
    if (picture.width < 1 || picture.height < 1) {
        return false;
    }
    if (picture.bits_per_pixel != 24 && picture.bits_per_pixel != 32) {
        return false;
    }
    if (picture.pitch < picture_pitch(picture.width, picture.bits_per_pixel)) {
        return false;
    }
    return picture.bits.size() >= static_cast<std::size_t>(picture.pitch) * static_cast<std::size_t>(picture.height);
}

}  // namespace

void draw_init()
{
    // The slot is a thread_local object; nothing to allocate.
}

DrawOutput* draw_picture_output(Picture* picture, DrawRelease release)
{
    if (picture == nullptr || picture->width < 1 || picture->height < 1) {
        return nullptr;
    }
    if (picture->bits_per_pixel != 24 && picture->bits_per_pixel != 32) {
        return nullptr;
    }
    release_current(false);
    auto out = std::make_unique<DrawOutput>();
    out->picture = picture;
    out->release = std::move(release);
    out->width = picture->width;
    out->height = picture->height;
    out->bits_per_pixel = picture->bits_per_pixel;
    out->pixel_bytes = picture->bits_per_pixel / 8;
    out->pitch = picture->pitch;
    out->front = split_colour(0);
    out->back = split_colour(0);
    current_output = std::move(out);
    return current_output.get();
}

namespace {

// A new current output without a picture, of width x height pixels (its verbs are recorded or
// handed to a sink).
DrawOutput* vector_output(int width, int height, DrawRelease release)
{
    release_current(false);
    auto out = std::make_unique<DrawOutput>();
    out->release = std::move(release);
    out->width = width;
    out->height = height;
    out->front = split_colour(0);
    out->back = split_colour(0);
    current_output = std::move(out);
    return current_output.get();
}

}  // namespace

DrawOutput* draw_svg_output(SvgRecorder* recorder, DrawRelease release)
{
    if (recorder == nullptr || recorder->width < 1 || recorder->height < 1) {
        return nullptr;
    }
    DrawOutput* out = vector_output(recorder->width, recorder->height, std::move(release));
    out->recorder = recorder;
    return out;
}

DrawOutput* draw_sink_output(DrawSink* sink, int width, int height, DrawRelease release)
{
    if (sink == nullptr || width < 1 || height < 1) {
        return nullptr;
    }
    DrawOutput* out = vector_output(width, height, std::move(release));
    out->sink = sink;
    return out;
}

void draw_record_svg(SvgRecorder* recorder, const Picture* picture)
{
    DrawOutput* out = current_output.get();
    if (out != nullptr) {
        draw_flush_texts(*out);  // texts drawn before the recorder came are not recorded
    }
    if (out != nullptr && out->picture != nullptr && out->recorder != nullptr && out->recorder == attached_recorder) {
        out->recorder = nullptr;  // a pass going on draws on without the recorder
    }
    attached_recorder = picture != nullptr ? recorder : nullptr;
    attached_picture = attached_recorder != nullptr ? picture : nullptr;
}

std::intptr_t draw_begin(DrawOutput* output)
{
    if (output == nullptr) {
        return 0;
    }
    // Only the thread's current state can be begun; any other pointer is stale or foreign and is
    // never dereferenced.
    if (output != current_output.get()) {
        return 0;
    }
    DrawOutput& out = *output;
    if (out.context != 0) {
        return out.context;
    }
    if (out.picture == nullptr) {
        // An output that only records: its size is the recorder's canvas.
        out.clip_width = out.width;
        out.clip_height = out.height;
        out.context = next_context.fetch_add(1);
        return out.context;
    }
    if (out.recorder == nullptr && out.picture == attached_picture) {
        out.recorder = attached_recorder;
    }
    const Picture& picture = *out.picture;
    if (!picture_usable(picture) || picture.bits_per_pixel != out.bits_per_pixel) {
        release_current(false);
        return 0;
    }
    out.width = picture.width;
    out.height = picture.height;
    out.pitch = picture.pitch;
    out.clip_width = out.width;
    out.clip_height = out.height;
    out.bits = out.picture->bits.data();
    out.context = next_context.fetch_add(1);
    draw_new_line_run(out);
    text_layer_start(out);
    return out.context;
}

Picture* draw_context_picture(std::intptr_t context)
{
    DrawOutput* out = current_output.get();
    if (context == 0 || out == nullptr || out->context != context) {
        return nullptr;
    }
    draw_flush_texts(*out);   // the picture as drawn so far
    draw_new_line_run(*out);  // its caller may write into it
    return out->picture;
}

void draw_end()
{
    release_current(true);
}

void draw_mode(int mode)
{
    DrawOutput* out = current_output.get();
    if (out == nullptr) {
        return;
    }
    draw_flush_texts(*out);
    draw_new_line_run(*out);
    out->mode = mode;
    out->front = split_colour(out->colour);
    out->back = split_colour(out->back_colour);
}

DrawOutput* draw_current()
{
    DrawOutput* out = current_output.get();
    return (out != nullptr && out->context != 0) ? out : nullptr;
}

void draw_use_colour(DrawOutput& out, int colour)
{
    if (colour != out.colour) {
        out.colour = colour;
        out.front = split_colour(colour);
    }
}

void draw_use_back_colour(DrawOutput& out, int colour)
{
    if (colour != out.back_colour) {
        out.back_colour = colour;
        out.back = split_colour(colour);
    }
}
