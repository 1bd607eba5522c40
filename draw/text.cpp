// Text drawing: the default font, the per-pass coverage strip and the blending into the output.
//
// The face is DejaVu Sans Mono (monospaced, so tables of numbers line up), found through
// fontconfig by family name and checked, at the largest pixel size up to 12 whose line height is
// at most 15 px. Every glyph of the single-byte character set (bytes read as Windows-1252) is
// rendered once per process as 8-bit coverage and kept; the FreeType objects are released right
// after. A text is rendered into an 8-bit strip as wide as the output and 50 rows high, then
// blended into the picture with the front and back colours after the drawing mode.
// State: the process-wide glyph set (built once, read-only afterwards) and the strip of the
// current output.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "draw/draw.h"
#include "draw/draw_internal.h"

namespace {

constexpr const char* FONT_FAMILY = "DejaVu Sans Mono";
constexpr int FONT_PIXEL_SIZE = 12;   // preferred size, lowered while the line is too high
constexpr int MAX_LINE_HEIGHT = 15;   // the results table's rows are 15 px apart
constexpr int STRIP_ROWS = 50;        // strip height for fonts whose "Hg" is below 30 px
constexpr int STRIP_EXTRA_ROWS = 20;  // strip height = "Hg" height + this for taller fonts

struct Glyph {
    std::vector<std::uint8_t> coverage;  // width x rows, 0 = background, 255 = glyph
    int width = 0;                       // pixels
    int rows = 0;                        // pixels
    int left = 0;                        // from the pen position to the first column
    int top = 0;                         // from the baseline up to the first row
    int advance = 0;                     // pen movement, pixels
};

struct GlyphSet {
    bool ready = false;             // a font was found and rendered
    int ascent = 0;                 // baseline below the top of the line, pixels
    int line_height = 0;            // pixels
    int min_left = 0;               // most negative left bearing (<= 0)
    int pixel_size = 0;             // the size the glyphs were rendered at
    std::array<Glyph, 256> glyphs;  // indexed by byte value
};

// Unicode code points of the bytes 0x80-0x9F in Windows-1252 (0 where the byte is undefined).
constexpr std::array<std::uint16_t, 32> CP1252_HIGH = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

unsigned long code_point(int byte)
{
    if (byte >= 0x80 && byte < 0xA0) {
        return CP1252_HIGH[static_cast<std::size_t>(byte - 0x80)];
    }
    return static_cast<unsigned long>(byte);
}

// The font file of FONT_FAMILY, or "" when fontconfig offers another family only.
std::string find_font_file(int& face_index)
{
    std::string path;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) {
        return path;
    }
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(FONT_FAMILY));
    if (pattern != nullptr) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        if (match != nullptr) {
            FcChar8* family = nullptr;
            FcChar8* file = nullptr;
            int index = 0;
            if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
                std::strcmp(reinterpret_cast<const char*>(family), FONT_FAMILY) == 0 &&
                FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
                path = reinterpret_cast<const char*>(file);
                if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
                    face_index = index;
                }
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return path;
}

void render_glyphs(FT_Face face, GlyphSet& set)
{
    for (int byte = 0; byte < 256; ++byte) {
        Glyph& glyph = set.glyphs[static_cast<std::size_t>(byte)];
        if (FT_Load_Char(face, code_point(byte), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.buffer != nullptr) {
            glyph.width = static_cast<int>(bitmap.width);
            glyph.rows = static_cast<int>(bitmap.rows);
            glyph.left = slot->bitmap_left;
            glyph.top = slot->bitmap_top;
            glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
            for (int r = 0; r < glyph.rows; ++r) {
                const unsigned char* src = bitmap.pitch >= 0
                                               ? bitmap.buffer + static_cast<std::ptrdiff_t>(r) * bitmap.pitch
                                               : bitmap.buffer - static_cast<std::ptrdiff_t>(glyph.rows - 1 - r) * bitmap.pitch;
                std::memcpy(glyph.coverage.data() + static_cast<std::size_t>(r) * glyph.width, src,
                            static_cast<std::size_t>(glyph.width));
            }
            set.min_left = std::min(set.min_left, glyph.left);
        }
    }
}

GlyphSet load_glyphs()
{
    GlyphSet set;
    int face_index = 0;
    const std::string path = find_font_file(face_index);
    FT_Library library = nullptr;
    if (!path.empty() && FT_Init_FreeType(&library) == 0) {
        FT_Face face = nullptr;
        if (FT_New_Face(library, path.c_str(), face_index, &face) == 0) {
            for (int size = FONT_PIXEL_SIZE; size >= 6; --size) {
                if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
                    continue;
                }
                const int height = static_cast<int>((face->size->metrics.height + 63) >> 6);
                if (height <= MAX_LINE_HEIGHT) {
                    set.line_height = height;
                    set.ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
                    set.pixel_size = size;
                    render_glyphs(face, set);
                    set.ready = true;
                    break;
                }
            }
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
    }
    if (!set.ready) {
        std::fprintf(stderr, "kelvaro: font \"%s\" not found; texts in pictures are left out\n", FONT_FAMILY);
    }
    return set;
}

// The glyph set, built on first use (thread-safe static initialisation).
const GlyphSet& glyph_set()
{
    static const GlyphSet set = load_glyphs();
    return set;
}

// Renders text into columns 0 .. columns-1 and rows 0 .. rows-1 of the strip, the pen starting at
// column pen (negative for a text that starts left of the output).
void render_strip(DrawOutput& out, const GlyphSet& set, std::string_view text, long long pen, int columns, int rows)
{
    for (int r = 0; r < rows; ++r) {
        std::memset(out.strip.data() + static_cast<std::size_t>(r) * out.strip_width, 0,
                    static_cast<std::size_t>(columns));
    }
    for (const char ch : text) {
        if (pen + set.min_left >= columns) {
            break;
        }
        const Glyph& glyph = set.glyphs[static_cast<unsigned char>(ch)];
        const long long gx = pen + glyph.left;
        pen += glyph.advance;
        if (gx + glyph.width <= 0) {
            continue;
        }
        const int gy = set.ascent - glyph.top;
        for (int r = std::max(0, -gy); r < glyph.rows && gy + r < rows; ++r) {
            std::uint8_t* dst = out.strip.data() + static_cast<std::size_t>(gy + r) * out.strip_width;
            const std::uint8_t* src = glyph.coverage.data() + static_cast<std::size_t>(r) * glyph.width;
            const long long c_first = std::max(0LL, -gx);
            const long long c_last = std::min<long long>(glyph.width, columns - gx);
            for (long long c = c_first; c < c_last; ++c) {
                std::uint8_t& cell = dst[gx + c];
                cell = std::max(cell, src[c]);
            }
        }
    }
}

inline std::uint8_t mix(int m, int over, int under)
{
    return static_cast<std::uint8_t>((m * over + (255 - m) * under) / 255);
}

// Blends one strip value m into pixel p after the mode.
inline void blend_pixel(const DrawOutput& out, std::uint8_t* p, int m)
{
    if (out.mode & DRAW_MODE_XOR) {
        // Mostly glyph: XOR with the front colour; otherwise with the back colour (opaque) or not at all.
        if (6 * m > 765) {
            p[0] ^= out.front.blue;
            p[1] ^= out.front.green;
            p[2] ^= out.front.red;
        } else if ((out.mode & DRAW_MODE_TRANSPARENT) == 0) {
            p[0] ^= out.back.blue;
            p[1] ^= out.back.green;
            p[2] ^= out.back.red;
        }
    } else if (out.mode & DRAW_MODE_TRANSPARENT) {
        p[0] = mix(m, out.front.blue, p[0]);
        p[1] = mix(m, out.front.green, p[1]);
        p[2] = mix(m, out.front.red, p[2]);
    } else {
        p[0] = mix(m, out.front.blue, out.back.blue);
        p[1] = mix(m, out.front.green, out.back.green);
        p[2] = mix(m, out.front.red, out.back.red);
    }
}

int saturate(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

}  // namespace

// Makes the text layer of a begun pass on its first text: the font is looked up and its glyphs
// rendered only when a picture has text, so passes without text never pay for it.
static void ensure_text_layer(DrawOutput& out)
{
    if (out.text_ready || out.context == 0) {
        return;
    }
    const GlyphSet& set = glyph_set();
    if (!set.ready) {
        return;
    }
    const int hg_height = set.line_height;
    const int rows = hg_height < 30 ? STRIP_ROWS : hg_height + STRIP_EXTRA_ROWS;
    if (out.strip_width != out.width || out.strip_height < rows) {
        out.strip.assign(static_cast<std::size_t>(out.width) * rows, 0);
        out.strip_width = out.width;
        out.strip_height = rows;
    }
    out.text_ready = true;
}

void text_layer_start(DrawOutput& out)
{
    out.text_ready = false;
}

void text_layer_stop(DrawOutput& out)
{
    out.text_ready = false;
    out.strip.clear();
    out.strip.shrink_to_fit();
    out.strip_width = 0;
    out.strip_height = 0;
}

int draw_text(int x, int y, std::string_view text, int front_colour, int back_colour)
{
    DrawOutput* out = draw_current();
    if (out == nullptr) {
        return x;
    }
    draw_use_colour(*out, front_colour);
    draw_use_back_colour(*out, back_colour);
    int recorded_end = x;
    if (out->recorder != nullptr && svg_record_text(*out, x, y, text, recorded_end)) {
        return recorded_end;
    }
    if (!text.empty()) {
        ensure_text_layer(*out);
    }
    if (text.empty() || !out->text_ready) {
        return x;
    }
    const GlyphSet& set = glyph_set();
    long long cx = 0;
    for (const char ch : text) {
        cx += set.glyphs[static_cast<unsigned char>(ch)].advance;
    }
    const int cy = std::min(set.line_height, out->strip_height);
    const long long tx = static_cast<long long>(x) + out->origin_x;
    const long long ty = static_cast<long long>(y) + out->origin_y;
    const long long shift = std::min(tx, 0LL);
    // Strip columns 0 .. shift + cx - 1 hold the visible part; the strip is as wide as the output.
    const int columns = static_cast<int>(std::clamp<long long>(shift + cx, 0, out->strip_width));
    const long long left = tx - shift;
    if (columns > 0 && left < out->width) {
        render_strip(*out, set, text, shift, columns, cy);
        const int visible = static_cast<int>(std::min<long long>(columns, out->width - left));
        for (int r = 0; r < cy; ++r) {
            const long long py = ty + r;
            if (py < 0 || py >= out->height) {
                continue;
            }
            const std::uint8_t* m = out->strip.data() + static_cast<std::size_t>(r) * out->strip_width;
            std::uint8_t* p = draw_pixel_address(*out, static_cast<int>(left), static_cast<int>(py));
            for (int c = 0; c < visible; ++c, p += out->pixel_bytes) {
                blend_pixel(*out, p, m[c]);
            }
        }
    }
    return saturate(static_cast<long long>(x) + cx);
}

bool text_metrics(std::string_view text, TextMetrics& metrics)
{
    const GlyphSet& set = glyph_set();
    if (!set.ready) {
        return false;
    }
    metrics.advance = 0;
    for (const char ch : text) {
        metrics.advance += set.glyphs[static_cast<unsigned char>(ch)].advance;
    }
    metrics.ascent = set.ascent;
    metrics.line_height = set.line_height;  // the strip is always taller than a line
    metrics.pixel_size = set.pixel_size;
    return true;
}

unsigned long text_code_point(unsigned char byte)
{
    return code_point(byte);
}
