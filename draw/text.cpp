// Text drawing: the default font, the coverage strip and the blending into the output.
//
// The face is DejaVu Sans Mono (monospaced, so tables of numbers line up), found through
// fontconfig by family name and checked, at the largest pixel size up to 12 whose line height is
// at most 15 px. A glyph of the single-byte character set (bytes read as Windows-1252) is
// rendered as 8-bit coverage the first time a text holds it, and kept; a process that writes a
// legend or two renders the few glyphs it uses, not all of them. Each glyph is hinted on its own
// from the face's state at its size, so the order in which they are rendered changes no pixel. The
// face is kept with its set until the process ends. The visible part of a text is rendered into an 8-bit coverage
// strip, then blended into the picture with the front and back colours after the drawing mode.
//
// Speed: opaque text is most of a redraw with labels or the results table, so its blend
// mix(m, front, back) is looked up in a table of the 256 coverage values per colour pair, kept
// for the last few pairs; the table holds exactly what the formula gives, so pixels do not
// depend on the path. An opaque text wholly inside a 24-bit picture is copied from its glyphs'
// blended cells: a few kilobytes per colour pair, which stay in the cache where whole texts kept
// for the next redraw would not (the redraw's fill of the picture pushes them out).
// Transparent and XOR texts choose their loop once per text, not per pixel.
// State: the process-wide glyph sets (the default one built once, scaled ones by
// draw_set_text_scale; a glyph is written once, under the set's lock, before any text reads it),
// and per thread the scratch strip and the blend tables.
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "draw/draw.h"
#include "draw/draw_internal.h"

namespace {

constexpr const char* FONT_FAMILY = "DejaVu Sans Mono";
constexpr int FONT_PIXEL_SIZE = 12;  // preferred size, lowered while the line is too high
constexpr int MAX_LINE_HEIGHT = 15;  // the results table's rows are 15 px apart

struct Glyph {
    std::vector<std::uint8_t> coverage;  // width x rows, 0 = background, 255 = glyph
    int width = 0;                       // pixels
    int rows = 0;                        // pixels
    int left = 0;                        // from the pen position to the first column
    int top = 0;                         // from the baseline up to the first row
    int advance = 0;                     // pen movement, pixels
};

struct GlyphSet {
    bool ready = false;   // a font was found at a size that fits
    int ascent = 0;       // baseline below the top of the line, pixels
    int line_height = 0;  // pixels
    int pixel_size = 0;   // the size the glyphs are rendered at
    FT_Library library = nullptr;
    FT_Face face = nullptr;  // at pixel_size while ready
    // Indexed by byte value; glyphs[b] is read only once rendered[b] holds (glyphs_for).
    mutable std::array<Glyph, 256> glyphs;
    mutable std::array<std::atomic<bool>, 256> rendered{};
    mutable std::mutex rendering;

    GlyphSet() = default;
    GlyphSet(const GlyphSet&) = delete;
    GlyphSet& operator=(const GlyphSet&) = delete;
    ~GlyphSet()
    {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

// Unicode code points of the bytes 0x80-0x9F in Windows-1252 (0 where the byte is undefined).
constexpr std::array<std::uint16_t, 32> CP1252_HIGH = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

unsigned long code_point(int byte)
{
    if (byte >= 0x80 && byte < 0xA0) {
        return CP1252_HIGH[static_cast<std::size_t>(byte - 0x80)];
    }
    return static_cast<unsigned long>(byte);
}

// The font file of FONT_FAMILY and its face index, or "" when fontconfig offers another family
// only. The match is made once per process, in a configuration built for it and destroyed after
// (fontconfig keeps pointers inside a configuration as offsets, so one kept until exit reads as a
// leak to the sanitizers); every later glyph set, a scaled one's, takes the same file.
struct FontFile {
    std::string path;
    int face_index = 0;
};

// The configuration FcInitLoadConfigAndFonts builds, less one step: after loading the
// configuration it reads every template in the library's template folder not enabled already, only
// for the descriptions its listing tool shows (over a third of its work). Such a read adds no font
// folder, cache folder, font filter or rule, so the fonts and the match stay the same. Where the
// loading fails or names no cache folder, the library's own set-up is taken (it then builds its
// fallback configuration; its messages about the failed load are then written twice).
FcConfig* load_font_config()
{
    FcConfig* config = FcConfigCreate();
    if (config != nullptr) {
        bool loaded = FcConfigParseAndLoad(config, nullptr, FcTrue) == FcTrue;
        if (loaded) {
            FcStrList* caches = FcConfigGetCacheDirs(config);
            loaded = caches != nullptr && FcStrListNext(caches) != nullptr;
            if (caches != nullptr) {
                FcStrListDone(caches);
            }
        }
        if (loaded && FcConfigBuildFonts(config) == FcTrue) {
            return config;
        }
        FcConfigDestroy(config);
    }
    return FcInitLoadConfigAndFonts();
}

FontFile match_font_file()
{
    FontFile found;
    FcConfig* config = load_font_config();
    if (config == nullptr) {
        return found;
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
                found.path = reinterpret_cast<const char*>(file);
                if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
                    found.face_index = index;
                }
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return found;
}

std::string find_font_file(int& face_index)
{
    static const FontFile found = match_font_file();
    if (!found.path.empty()) {
        face_index = found.face_index;
    }
    return found.path;
}

// Renders the glyph of byte into glyph (left empty when the face has none).
void render_glyph(FT_Face face, int byte, Glyph& glyph)
{
    if (FT_Load_Char(face, code_point(byte), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
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
                                               : bitmap.buffer -
                                                     static_cast<std::ptrdiff_t>(glyph.rows - 1 - r) * bitmap.pitch;
                std::memcpy(glyph.coverage.data() + static_cast<std::size_t>(r) * glyph.width, src,
                            static_cast<std::size_t>(glyph.width));
            }
        }
    }
}

// The glyph set at scale times the default pixel size (the largest up to 12 whose line height is
// at most 15 px); a scaled set's line height is the face's own at its size.
std::unique_ptr<GlyphSet> load_glyphs(float scale)
{
    auto made = std::make_unique<GlyphSet>();
    GlyphSet& set = *made;
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
                if (height > MAX_LINE_HEIGHT) {
                    continue;
                }
                if (scale != 1.0f) {
                    size = std::max(1, static_cast<int>(std::lround(static_cast<float>(size) * scale)));
                    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
                        break;
                    }
                }
                set.line_height = static_cast<int>((face->size->metrics.height + 63) >> 6);
                set.ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
                set.pixel_size = size;
                set.ready = true;
                break;
            }
            if (set.ready) {
                set.face = face;
            } else {
                FT_Done_Face(face);
            }
        }
        if (set.ready) {
            set.library = library;
        } else {
            FT_Done_FreeType(library);
        }
    }
    if (!set.ready && scale == 1.0f) {
        std::fprintf(stderr, "kelvaro: font \"%s\" not found; texts in pictures are left out\n", FONT_FAMILY);
    }
    return made;
}

// The set draw_set_text_scale chose; nullptr for the default one.
std::atomic<const GlyphSet*> scaled_set{nullptr};

// The glyph set in use: the default one is built on first use (thread-safe static
// initialisation), a scaled one by draw_set_text_scale.
const GlyphSet& glyph_set()
{
    if (const GlyphSet* scaled = scaled_set.load(std::memory_order_acquire)) {
        return *scaled;
    }
    static const std::unique_ptr<GlyphSet> set = load_glyphs(1.0f);
    return *set;
}

// Renders the glyph of byte in set unless another thread has just done so.
[[gnu::noinline]] void render_missing(const GlyphSet& set, unsigned char byte)
{
    const std::lock_guard<std::mutex> guard(set.rendering);
    if (!set.rendered[byte].load(std::memory_order_relaxed)) {
        render_glyph(set.face, byte, set.glyphs[byte]);
        set.rendered[byte].store(true, std::memory_order_release);
    }
}

// The glyph set in use with every glyph of text rendered, and the text's width in it in advance
// (0 when the set is not ready).
const GlyphSet& glyphs_for(std::string_view text, long long& advance)
{
    const GlyphSet& set = glyph_set();
    advance = 0;
    if (!set.ready) {
        return set;
    }
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (!set.rendered[byte].load(std::memory_order_acquire)) {
            render_missing(set, byte);
        }
        advance += set.glyphs[byte].advance;
    }
    return set;
}

// The width of text in set, every glyph of it rendered.
long long text_advance(const GlyphSet& set, std::string_view text)
{
    long long advance = 0;
    for (const char ch : text) {
        advance += set.glyphs[static_cast<unsigned char>(ch)].advance;
    }
    return advance;
}

// Scratch coverage strip of the thread, columns x rows with rows packed (stride = columns); kept
// between texts and passes so that drawing a text allocates nothing once it has grown.
thread_local std::vector<std::uint8_t> scratch_strip;

// Opaque texts held back by a batch (draw_text_batch), in the order drawn; their bytes in chars.
struct HeldText {
    long long x, y;  // top-left corner, output pixels
    int front, back;
    std::size_t offset, length;  // in held_chars
};
thread_local std::vector<HeldText> held_texts;
thread_local std::string held_chars;
// Output pixels already painted by a later held text (1), row-major over the output, while a
// batch is painted.
thread_local std::vector<std::uint8_t> painted;

constexpr std::size_t STRIP_KEEP_BYTES = 1 << 20;    // a larger strip is released at the end of a pass
constexpr std::size_t PAINTED_KEEP_BYTES = 4 << 20;  // the same for a batch's painted marks (1920 x 2160)

// The rows of a coverage strip that glyphs were written into: every row outside first .. end - 1 is 0.
struct InkRows {
    int first = 0;
    int end = 0;
};

// Renders text into columns 0 .. columns-1 and rows 0 .. rows-1 of strip (stride columns), the pen
// starting at column pen (negative for a text that starts left of the output). Overlapping glyphs
// keep the larger coverage. Returns the rows written.
InkRows render_strip(std::uint8_t* strip, const GlyphSet& set, std::string_view text, long long pen, int columns,
                     int rows)
{
    std::memset(strip, 0, static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    InkRows ink{rows, 0};
    long long written = 0;  // strip columns from here on hold no glyph yet
    for (const char ch : text) {
        const Glyph& glyph = set.glyphs[static_cast<unsigned char>(ch)];
        const long long gx = pen + glyph.left;
        pen += glyph.advance;
        if (gx + glyph.width <= 0) {
            continue;
        }
        const int gy = set.ascent - glyph.top;
        const int c_first = static_cast<int>(std::max(0LL, -gx));
        const int c_last = static_cast<int>(std::min<long long>(glyph.width, columns - gx));
        if (c_first >= c_last) {
            continue;
        }
        // Columns from written on are still 0 in every row: there the coverage is copied, not merged.
        const int c_split = static_cast<int>(std::clamp<long long>(written - gx, c_first, c_last));
        written = std::max(written, gx + c_last);
        const int r_first = std::max(0, -gy);
        const int r_end = std::min(glyph.rows, rows - gy);
        if (r_first < r_end) {
            ink.first = std::min(ink.first, gy + r_first);
            ink.end = std::max(ink.end, gy + r_end);
        }
        for (int r = r_first; r < r_end; ++r) {
            std::uint8_t* dst = strip + static_cast<std::ptrdiff_t>(gy + r) * columns;
            const std::uint8_t* src = glyph.coverage.data() + static_cast<std::size_t>(r) * glyph.width;
            for (int c = c_first; c < c_split; ++c) {
                dst[gx + c] = std::max(dst[gx + c], src[c]);
            }
            std::memcpy(dst + (gx + c_split), src + c_split, static_cast<std::size_t>(c_last - c_split));
        }
    }
    return ink;
}

// The red, green and blue channels packed from the low byte up, to compare colour pairs.
inline std::uint32_t channel_key(const DrawChannels& c)
{
    return static_cast<std::uint32_t>(c.red) | static_cast<std::uint32_t>(c.green) << 8 |
           static_cast<std::uint32_t>(c.blue) << 16;
}

// (m * over + (255 - m) * under) / 255, the blend of every mode but XOR.
inline std::uint8_t mix(int m, int over, int under)
{
    return static_cast<std::uint8_t>((m * over + (255 - m) * under) / 255);
}

// The opaque pixels of one front/back colour pair: entry m holds mix(m, front, back) for blue,
// green and red in bytes 0, 1 and 2 (the picture's byte order).
struct BlendTable {
    std::uint32_t front = 0xFFFFFFFF;        // channel_key of the front colour; never a real key at first
    std::uint32_t back = 0xFFFFFFFF;         // channel_key of the back colour
    std::array<std::uint32_t, 256> pixel{};  // indexed by coverage
};

constexpr std::size_t BLEND_TABLES = 4;  // colour pairs kept per thread (labels, table rows, titles)

struct BlendCache {
    std::array<BlendTable, BLEND_TABLES> tables;  // most recently built pairs
    std::size_t next = 0;                         // slot the next new pair replaces
};

thread_local BlendCache blend_cache;

// The blend table of the output's current front and back colours, built when the pair is new.
const BlendTable& blend_table(const DrawOutput& out)
{
    const std::uint32_t front = channel_key(out.front);
    const std::uint32_t back = channel_key(out.back);
    for (const BlendTable& table : blend_cache.tables) {
        if (table.front == front && table.back == back) {
            return table;
        }
    }
    BlendTable& table = blend_cache.tables[blend_cache.next];
    blend_cache.next = (blend_cache.next + 1) % BLEND_TABLES;
    table.front = front;
    table.back = back;
    for (int m = 0; m < 256; ++m) {
        table.pixel[static_cast<std::size_t>(m)] = static_cast<std::uint32_t>(mix(m, out.front.blue, out.back.blue)) |
                                                   static_cast<std::uint32_t>(mix(m, out.front.green, out.back.green))
                                                       << 8 |
                                                   static_cast<std::uint32_t>(mix(m, out.front.red, out.back.red))
                                                       << 16;
    }
    return table;
}

// Opaque glyph cells: for one glyph set and colour pair, the 24-bit pixels of a glyph's cell (its
// advance wide, the line high, rows from the top) as blending its coverage gives them. A glyph that
// stays within its cell touches no other glyph's pixels, so an opaque text of such glyphs wholly
// inside the picture is its cells copied side by side.
struct GlyphCells {
    const GlyphSet* set = nullptr;
    std::uint32_t front = 0xFFFFFFFF, back = 0xFFFFFFFF;  // the pair's channel keys
    std::array<std::uint8_t, 256> state{};                // CELL_* by byte
    std::array<std::vector<std::uint8_t>, 256> pixels;    // by byte, once CELL_READY
};
constexpr std::uint8_t CELL_UNKNOWN = 0;
constexpr std::uint8_t CELL_READY = 1;
constexpr std::uint8_t CELL_APART = 2;  // the glyph reaches beyond its cell

thread_local std::array<GlyphCells, BLEND_TABLES> glyph_cells;
thread_local std::size_t next_cells = 0;

// The cells of set in table's colour pair (emptied when the pair or set is new to them).
GlyphCells& cells_of(const GlyphSet& set, const BlendTable& table)
{
    for (GlyphCells& cells : glyph_cells) {
        if (cells.set == &set && cells.front == table.front && cells.back == table.back) {
            return cells;
        }
    }
    GlyphCells& cells = glyph_cells[next_cells];
    next_cells = (next_cells + 1) % BLEND_TABLES;
    cells.set = &set;
    cells.front = table.front;
    cells.back = table.back;
    cells.state.fill(CELL_UNKNOWN);
    return cells;
}

// True when the cell of byte ch can be copied (it is made on first use).
bool cell_ready(GlyphCells& cells, const BlendTable& table, unsigned char ch)
{
    if (cells.state[ch] != CELL_UNKNOWN) {
        return cells.state[ch] == CELL_READY;
    }
    const GlyphSet& set = *cells.set;
    const Glyph& glyph = set.glyphs[ch];
    if (glyph.width > 0 && (glyph.left < 0 || glyph.left + glyph.width > glyph.advance)) {
        cells.state[ch] = CELL_APART;
        return false;
    }
    const int rows = set.line_height;
    const int top = set.ascent - glyph.top;  // the glyph's first row in the cell
    std::vector<std::uint8_t>& pixels = cells.pixels[ch];
    pixels.resize(static_cast<std::size_t>(std::max(glyph.advance, 0)) * static_cast<std::size_t>(rows) * 3);
    std::uint8_t* p = pixels.data();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < glyph.advance; ++c, p += 3) {
            const int gr = r - top;
            const int gc = c - glyph.left;
            const bool inked = gr >= 0 && gr < glyph.rows && gc >= 0 && gc < glyph.width;
            const std::uint32_t v = table.pixel[inked ? glyph.coverage[static_cast<std::size_t>(gr) * glyph.width +
                                                                       static_cast<std::size_t>(gc)]
                                                      : 0];
            p[0] = static_cast<std::uint8_t>(v);
            p[1] = static_cast<std::uint8_t>(v >> 8);
            p[2] = static_cast<std::uint8_t>(v >> 16);
        }
    }
    cells.state[ch] = CELL_READY;
    return true;
}

// An opaque text on a 24-bit output from its cells, with its top-left pixel at first and rows
// pitch bytes apart; false (nothing drawn) when a glyph of it reaches beyond its cell.
bool copy_cells(const GlyphSet& set, const BlendTable& table, std::string_view text, std::uint8_t* first,
                std::ptrdiff_t pitch)
{
    GlyphCells& cells = cells_of(set, table);
    for (const char ch : text) {
        if (!cell_ready(cells, table, static_cast<unsigned char>(ch))) {
            return false;
        }
    }
    // Glyph by glyph, its cell's rows down the text's rows: a cell's row is a few fixed moves.
    std::uint8_t* column = first;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        const std::size_t bytes = static_cast<std::size_t>(set.glyphs[byte].advance) * 3;
        const std::uint8_t* from = cells.pixels[byte].data();
        std::uint8_t* to = column;
        if (bytes >= 16 && bytes <= 32) {
            for (int r = 0; r < set.line_height; ++r, to += pitch, from += bytes) {
                std::memcpy(to, from, 16);
                std::memcpy(to + bytes - 16, from + bytes - 16, 16);
            }
        } else {
            for (int r = 0; r < set.line_height; ++r, to += pitch, from += bytes) {
                draw_copy_short(to, from, bytes);
            }
        }
        column += bytes;
    }
    return true;
}

// Where the strip goes: rows of visible coverage values, each blended into the pixels from first
// onwards, the next row pitch bytes further.
struct BlendTarget {
    const std::uint8_t* coverage;  // first strip value of the first visible row
    int stride;                    // strip values per row
    std::uint8_t* first;           // pixel of the first visible row's first value
    std::ptrdiff_t pitch;          // bytes from a pixel to the one below (negative: bottom-up)
    int rows;                      // visible rows
    int columns;                   // visible columns
    InkRows ink;                   // the visible rows that hold glyph coverage; the others are all 0
};

// Opaque text: every pixel of the box becomes the pair's blend of its coverage.
template <int BYTES>
void blend_opaque(const BlendTarget& t, const BlendTable& table)
{
    const std::uint32_t* pixel = table.pixel.data();
    const std::uint32_t ground = pixel[0];
    for (int r = 0; r < t.rows; ++r) {
        const std::uint8_t* m = t.coverage + static_cast<std::ptrdiff_t>(r) * t.stride;
        std::uint8_t* p = t.first + static_cast<std::ptrdiff_t>(r) * t.pitch;
        int c = 0;
        if (r < t.ink.first || r >= t.ink.end) {
            // A row without coverage is the back colour's blend throughout, four pixels a copy.
            const std::uint8_t blue = static_cast<std::uint8_t>(ground);
            const std::uint8_t green = static_cast<std::uint8_t>(ground >> 8);
            const std::uint8_t red = static_cast<std::uint8_t>(ground >> 16);
            std::uint8_t filled[4 * BYTES] = {};
            for (int k = 0; k < 4; ++k) {
                filled[k * BYTES] = blue;
                filled[k * BYTES + 1] = green;
                filled[k * BYTES + 2] = red;
            }
            if constexpr (BYTES == 3) {
                for (; c + 4 <= t.columns; c += 4, p += sizeof filled) {
                    std::memcpy(p, filled, sizeof filled);
                }
            }
            for (; c < t.columns; ++c, p += BYTES) {
                p[0] = blue;
                p[1] = green;
                p[2] = red;
            }
            continue;
        }
        if constexpr (BYTES == 3 && std::endian::native == std::endian::little) {
            // One 4-byte store per pixel but the last: its fourth byte is the next pixel's blue,
            // which the next store writes.
            for (; c < t.columns - 1; ++c, p += 3) {
                const std::uint32_t v = pixel[m[c]];
                std::memcpy(p, &v, 4);
            }
        }
        for (; c < t.columns; ++c, p += BYTES) {
            const std::uint32_t v = pixel[m[c]];
            p[0] = static_cast<std::uint8_t>(v);
            p[1] = static_cast<std::uint8_t>(v >> 8);
            p[2] = static_cast<std::uint8_t>(v >> 16);
        }
    }
}

// Transparent text: the front colour blended over the picture by coverage; coverage 0 leaves the
// pixel and 255 sets the front colour, which is what the blend gives for them.
template <int BYTES>
void blend_transparent(const BlendTarget& t, DrawChannels front)
{
    const int blue = front.blue;
    const int green = front.green;
    const int red = front.red;
    for (int r = 0; r < t.rows; ++r) {
        const std::uint8_t* m = t.coverage + static_cast<std::ptrdiff_t>(r) * t.stride;
        std::uint8_t* p = t.first + static_cast<std::ptrdiff_t>(r) * t.pitch;
        for (int c = 0; c < t.columns; ++c, p += BYTES) {
            const int k = m[c];
            if (k == 0) {
                continue;
            }
            if (k == 255) {
                p[0] = static_cast<std::uint8_t>(blue);
                p[1] = static_cast<std::uint8_t>(green);
                p[2] = static_cast<std::uint8_t>(red);
            } else {
                p[0] = mix(k, blue, p[0]);
                p[1] = mix(k, green, p[1]);
                p[2] = mix(k, red, p[2]);
            }
        }
    }
}

// XOR text: mostly glyph pixels are XORed with the front colour, the others with the back colour
// (opaque) or not at all (transparent).
template <int BYTES>
void blend_xor(const BlendTarget& t, DrawChannels front, DrawChannels back, bool transparent)
{
    for (int r = 0; r < t.rows; ++r) {
        const std::uint8_t* m = t.coverage + static_cast<std::ptrdiff_t>(r) * t.stride;
        std::uint8_t* p = t.first + static_cast<std::ptrdiff_t>(r) * t.pitch;
        for (int c = 0; c < t.columns; ++c, p += BYTES) {
            if (6 * m[c] > 765) {
                p[0] ^= front.blue;
                p[1] ^= front.green;
                p[2] ^= front.red;
            } else if (!transparent) {
                p[0] ^= back.blue;
                p[1] ^= back.green;
                p[2] ^= back.red;
            }
        }
    }
}

template <int BYTES>
void blend_strip(const DrawOutput& out, const BlendTarget& t)
{
    const bool transparent = (out.mode & DRAW_MODE_TRANSPARENT) != 0;
    if (out.mode & DRAW_MODE_XOR) {
        blend_xor<BYTES>(t, out.front, out.back, transparent);
    } else if (transparent) {
        blend_transparent<BYTES>(t, out.front);
    } else {
        blend_opaque<BYTES>(t, blend_table(out));
    }
}

int saturate(long long value)
{
    return static_cast<int>(
        std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

// Makes the text layer of a begun pass on its first text: the font is looked up and its glyphs
// rendered only when a picture has text, so passes without text never pay for it.
static void ensure_text_layer(DrawOutput& out)
{
    if (out.text_ready || out.context == 0) {
        return;
    }
    out.text_ready = glyph_set().ready;
}

void text_layer_start(DrawOutput& out)
{
    out.text_ready = false;
}

void text_layer_stop(DrawOutput& out)
{
    draw_flush_texts(out);
    out.text_ready = false;
    out.batch_texts = false;
    if (scratch_strip.capacity() > STRIP_KEEP_BYTES) {
        scratch_strip.clear();
        scratch_strip.shrink_to_fit();
    }
    if (painted.capacity() > PAINTED_KEEP_BYTES) {
        painted.clear();
        painted.shrink_to_fit();
    }
}

namespace {

// Where a text lands on the output: the strip of coverage it needs and the pixels it covers.
struct TextBox {
    long long advance = 0;  // the text's width, pixels
    long long shift = 0;    // the text's column at the output's left edge (<= 0)
    long long left = 0;     // first output column written
    long long top = 0;      // output row of the strip's row 0
    int columns = 0;        // strip columns = output columns written
    int rows = 0;           // strip rows
    int row_first = 0;      // first strip row inside the output
};

// The box of a text advance pixels wide with its top-left corner at output point (tx, ty); false
// when no pixel of it is inside the output (box.advance is set either way).
bool place_text(const DrawOutput& out, const GlyphSet& set, long long tx, long long ty, long long advance, TextBox& box)
{
    box.advance = advance;
    box.shift = std::min(tx, 0LL);
    box.left = tx - box.shift;
    box.top = ty;
    // Output columns left .. left + visible - 1 show the text from its column -shift on.
    const long long visible = std::min(box.shift + box.advance, out.width - box.left);
    const long long row_first = std::max(0LL, -ty);
    const long long row_end = std::min<long long>(set.line_height, out.height - ty);
    if (visible <= 0 || row_first >= row_end) {
        return false;
    }
    box.columns = static_cast<int>(visible);
    box.rows = static_cast<int>(row_end);
    box.row_first = static_cast<int>(row_first);
    return true;
}

// The coverage of text in its box, in the thread's scratch strip; the rows glyphs were written into in ink.
const std::uint8_t* text_coverage(const GlyphSet& set, std::string_view text, const TextBox& box, InkRows& ink)
{
    const std::size_t bytes = static_cast<std::size_t>(box.columns) * static_cast<std::size_t>(box.rows);
    if (scratch_strip.size() < bytes) {
        scratch_strip.resize(bytes);
    }
    ink = render_strip(scratch_strip.data(), set, text, box.shift, box.columns, box.rows);
    return scratch_strip.data();
}

// Paints the box of an opaque text where no later text has painted, marking what it paints.
template <int BYTES>
void blend_unpainted(const DrawOutput& out, const std::uint8_t* strip, const TextBox& box, const BlendTable& table)
{
    const std::uint32_t* pixel = table.pixel.data();
    for (int r = box.row_first; r < box.rows; ++r) {
        const long long y = box.top + r;
        std::uint8_t* mark = painted.data() + static_cast<std::ptrdiff_t>(y) * out.width + box.left;
        if (std::memchr(mark, 0, static_cast<std::size_t>(box.columns)) == nullptr) {
            continue;
        }
        const std::uint8_t* m = strip + static_cast<std::ptrdiff_t>(r) * box.columns;
        std::uint8_t* p = draw_pixel_address(out, static_cast<int>(box.left), static_cast<int>(y));
        for (int c = 0; c < box.columns; ++c, p += BYTES) {
            if (mark[c] != 0) {
                continue;
            }
            mark[c] = 1;
            const std::uint32_t v = pixel[m[c]];
            p[0] = static_cast<std::uint8_t>(v);
            p[1] = static_cast<std::uint8_t>(v >> 8);
            p[2] = static_cast<std::uint8_t>(v >> 16);
        }
    }
}

// True when every pixel of the box is painted already.
bool box_painted(const DrawOutput& out, const TextBox& box)
{
    for (int r = box.row_first; r < box.rows; ++r) {
        const std::uint8_t* mark = painted.data() + static_cast<std::ptrdiff_t>(box.top + r) * out.width + box.left;
        if (std::memchr(mark, 0, static_cast<std::size_t>(box.columns)) != nullptr) {
            return false;
        }
    }
    return true;
}

}  // namespace

void draw_flush_held_texts(DrawOutput& out)
{
    out.texts_held = false;
    if (held_texts.empty()) {
        return;
    }
    long long all_advance = 0;
    const GlyphSet& set = glyphs_for(held_chars, all_advance);
    // Every held text is opaque: a pixel shows the last text over it, so the texts are painted
    // latest first, each only where no later one has painted.
    std::vector<TextBox> boxes(held_texts.size());
    long long top = out.height, bottom = 0, left = out.width, right = 0;
    for (std::size_t n = 0; n < held_texts.size(); ++n) {
        const HeldText& t = held_texts[n];
        TextBox& box = boxes[n];
        const std::string_view text = std::string_view(held_chars).substr(t.offset, t.length);
        if (!place_text(out, set, t.x, t.y, text_advance(set, text), box)) {
            box.columns = 0;
            continue;
        }
        top = std::min(top, box.top + box.row_first);
        bottom = std::max(bottom, box.top + box.rows);
        left = std::min(left, box.left);
        right = std::max(right, box.left + box.columns);
    }
    const std::size_t area = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
    if (painted.size() < area) {
        painted.resize(area);
    }
    for (long long y = top; y < bottom; ++y) {
        std::memset(painted.data() + y * out.width + left, 0, static_cast<std::size_t>(right - left));
    }
    for (std::size_t n = held_texts.size(); n-- > 0;) {
        const TextBox& box = boxes[n];
        if (box.columns == 0 || box_painted(out, box)) {
            continue;
        }
        const HeldText& t = held_texts[n];
        draw_use_colour(out, t.front);
        draw_use_back_colour(out, t.back);
        InkRows ink;
        const std::uint8_t* strip = text_coverage(set, std::string_view(held_chars).substr(t.offset, t.length), box,
                                                  ink);
        if (out.pixel_bytes == 4) {
            blend_unpainted<4>(out, strip, box, blend_table(out));
        } else {
            blend_unpainted<3>(out, strip, box, blend_table(out));
        }
    }
    // The colours stand as the last text left them.
    draw_use_colour(out, held_texts.back().front);
    draw_use_back_colour(out, held_texts.back().back);
    held_texts.clear();
    held_chars.clear();
}

void draw_text_batch(bool on)
{
    DrawOutput* out = draw_current();
    if (out == nullptr) {
        return;
    }
    draw_flush_texts(*out);
    out->batch_texts = on;
}

int draw_text(int x, int y, std::string_view text, int front_colour, int back_colour)
{
    DrawOutput* out = draw_current();
    if (out == nullptr) {
        return x;
    }
    draw_new_line_run(*out);
    draw_use_colour(*out, front_colour);
    draw_use_back_colour(*out, back_colour);
    if (out->sink != nullptr) {
        return sink_text(*out, x, y, text);
    }
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
    long long advance = 0;
    const GlyphSet& set = glyphs_for(text, advance);
    const long long tx = static_cast<long long>(x) + out->origin_x;
    const long long ty = static_cast<long long>(y) + out->origin_y;
    const bool opaque = (out->mode & (DRAW_MODE_XOR | DRAW_MODE_TRANSPARENT)) == 0;
    if (out->batch_texts && opaque && out->recorder == nullptr) {
        TextBox box;
        if (place_text(*out, set, tx, ty, advance, box)) {
            held_texts.push_back({tx, ty, front_colour, back_colour, held_chars.size(), text.size()});
            held_chars.append(text);
            out->texts_held = true;
        }
        return saturate(static_cast<long long>(x) + box.advance);
    }
    draw_flush_texts(*out);
    TextBox box;
    if (!place_text(*out, set, tx, ty, advance, box)) {
        return saturate(static_cast<long long>(x) + box.advance);
    }
    // Wholly inside a 24-bit picture, an opaque text is its glyphs' cells side by side.
    if (opaque && out->pixel_bytes == 3 && box.shift == 0 && box.row_first == 0 && box.columns == box.advance &&
        box.rows == set.line_height &&
        copy_cells(set, blend_table(*out), text,
                   draw_pixel_address(*out, static_cast<int>(box.left), static_cast<int>(ty)),
                   -static_cast<std::ptrdiff_t>(out->pitch))) {
        return saturate(static_cast<long long>(x) + box.advance);
    }
    InkRows ink;
    const std::uint8_t* strip = text_coverage(set, text, box, ink);
    const BlendTarget target{strip + static_cast<std::size_t>(box.row_first) * box.columns,
                             box.columns,
                             draw_pixel_address(*out, static_cast<int>(box.left), static_cast<int>(ty + box.row_first)),
                             -static_cast<std::ptrdiff_t>(out->pitch),
                             box.rows - box.row_first,
                             box.columns,
                             {ink.first - box.row_first, ink.end - box.row_first}};
    if (out->pixel_bytes == 4) {
        blend_strip<4>(*out, target);
    } else {
        blend_strip<3>(*out, target);
    }
    return saturate(static_cast<long long>(x) + box.advance);
}

int draw_text_width(std::string_view text)
{
    TextMetrics metrics;
    if (!text_metrics(text, metrics)) {
        return 0;
    }
    return saturate(metrics.advance);
}

int draw_text_height()
{
    const GlyphSet& set = glyph_set();
    return set.ready ? set.line_height : 0;
}

bool text_metrics(std::string_view text, TextMetrics& metrics)
{
    const GlyphSet& set = glyphs_for(text, metrics.advance);
    if (!set.ready) {
        return false;
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

void draw_set_text_scale(float scale)
{
    if (DrawOutput* out = draw_current()) {
        draw_flush_texts(*out);  // held texts are painted in the font they were measured in
    }
    // Sets are kept for the whole process once made: a pass on another thread may still use one.
    static std::mutex lock;
    static std::map<float, std::unique_ptr<GlyphSet>> sets;
    if (!(scale >= DRAW_TEXT_SCALE_MIN && scale <= DRAW_TEXT_SCALE_MAX) || scale == 1.0f) {
        scaled_set.store(nullptr, std::memory_order_release);
        return;
    }
    const std::lock_guard<std::mutex> guard(lock);
    std::unique_ptr<GlyphSet>& set = sets[scale];
    if (!set) {
        set = load_glyphs(scale);
    }
    scaled_set.store(set.get(), std::memory_order_release);
}
