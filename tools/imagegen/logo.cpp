// The logo: a plum under a bell jar beside the wordmark, on a light ground.
// Everything is a signed distance in pixels, so edges come out anti-aliased.
// No colour has a zero channel, so the record's first zero byte after the
// header is its terminator.
#include "pictures.h"
#include "vec.h"

#include <array>
#include <string_view>

namespace {

struct Canvas {
    std::vector<Vec3> px = std::vector<Vec3>(std::size_t(logo_width) * logo_height);
};

// Blends colour(x, y) over the box wherever dist(x, y) < 0, by coverage times alpha.
template <class Dist, class Colour>
void paint(Canvas& cv, int x0, int y0, int x1, int y1, Dist dist, Colour colour, float alpha = 1)
{
    for (int y = std::max(y0, 0); y < std::min(y1, logo_height); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, logo_width); ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float cover = clamp01(0.5f - dist(fx, fy));
            if (cover <= 0) continue;
            Vec3& p = cv.px[std::size_t(y) * logo_width + x];
            p = mix(p, colour(fx, fy), cover * alpha);
        }
    }
}

auto flat(Vec3 c)
{
    return [c](float, float) { return c; };
}

float segment_dist(float px, float py, float ax, float ay, float bx, float by)
{
    const float dx = bx - ax, dy = by - ay;
    const float t = clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy));
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// Letters are round-capped strokes in cap-height units, y up from the baseline.
// A stroke with r == 0 is a line (x0,y0)-(x1,y1); otherwise an arc around
// (x0,y0) of radius r from angle x1 to y1 (degrees, counter-clockwise).
struct Stroke {
    float x0, y0, x1, y1, r;
};

struct Glyph {
    char c;
    float width;
    std::array<Stroke, 5> strokes;
    int count;
};

constexpr float bowl = 0.26f;  // radius of the P and R bowls
constexpr std::array<Glyph, 12> glyphs{{
    {'P', 0.62f, {{{0, 0, 0, 1, 0}, {0, 1, .36f, 1, 0}, {.36f, .74f, -90, 90, bowl}, {.36f, .48f, 0, .48f, 0}}}, 4},
    {'R', 0.64f, {{{0, 0, 0, 1, 0}, {0, 1, .36f, 1, 0}, {.36f, .74f, -90, 90, bowl}, {.36f, .48f, 0, .48f, 0},
                   {.30f, .48f, .64f, 0, 0}}}, 5},
    {'L', 0.54f, {{{0, 1, 0, 0, 0}, {0, 0, .54f, 0, 0}}}, 2},
    {'U', 0.68f, {{{0, 1, 0, .34f, 0}, {.34f, .34f, 180, 360, .34f}, {.68f, .34f, .68f, 1, 0}}}, 3},
    {'M', 0.84f, {{{0, 0, 0, 1, 0}, {0, 1, .42f, .36f, 0}, {.42f, .36f, .84f, 1, 0}, {.84f, 1, .84f, 0, 0}}}, 4},
    {'S', 0.58f, {{{.29f, .75f, 20, 270, .25f}, {.29f, .25f, -160, 90, .25f}}}, 2},
    {'N', 0.68f, {{{0, 0, 0, 1, 0}, {0, 1, .68f, 0, 0}, {.68f, 0, .68f, 1, 0}}}, 3},
    {'D', 0.72f, {{{0, 0, 0, 1, 0}, {0, 1, .22f, 1, 0}, {.22f, .5f, -90, 90, .5f}, {.22f, 0, 0, 0, 0}}}, 4},
    {'E', 0.54f, {{{.54f, 1, 0, 1, 0}, {0, 1, 0, 0, 0}, {0, 0, .54f, 0, 0}, {0, .5f, .44f, .5f, 0}}}, 4},
    {'G', 0.96f, {{{.48f, .5f, 40, 360, .5f}, {.96f, .5f, .54f, .5f, 0}}}, 2},
    {'A', 0.80f, {{{0, 0, .4f, 1, 0}, {.4f, 1, .8f, 0, 0}, {.16f, .36f, .64f, .36f, 0}}}, 3},
    {' ', 0.30f, {}, 0},
}};

const Glyph& glyph(char c)
{
    for (const Glyph& g : glyphs)
        if (g.c == c) return g;
    return glyphs.back();
}

float stroke_dist(const Stroke& s, float u, float v)
{
    if (s.r == 0) return segment_dist(u, v, s.x0, s.y0, s.x1, s.y1);
    constexpr float deg = 3.14159265f / 180;
    float a = std::atan2(v - s.y0, u - s.x0) / deg;
    while (a < s.x1) a += 360;
    if (a <= s.y1) return std::abs(std::hypot(u - s.x0, v - s.y0) - s.r);
    const auto end_dist = [&](float ang) {
        return std::hypot(u - s.x0 - s.r * std::cos(ang * deg), v - s.y0 - s.r * std::sin(ang * deg));
    };
    return std::min(end_dist(s.x1), end_dist(s.y1));
}

struct Text {
    std::string_view str;
    float left, baseline, cap;  // pixels
    float weight;               // stroke width in cap units
    float tracking;             // extra gap between letters in cap units
};

float text_width(const Text& t)
{
    float w = 0;
    for (char c : t.str) w += glyph(c).width + t.weight + t.tracking;
    return (w - t.tracking) * t.cap;
}

float text_dist(const Text& t, float x, float y)
{
    const float v = (t.baseline - y) / t.cap;
    float u = (x - t.left) / t.cap - t.weight / 2;
    float d = 1e9f;
    for (char c : t.str) {
        const Glyph& g = glyph(c);
        for (int i = 0; i < g.count; ++i) d = std::min(d, stroke_dist(g.strokes[std::size_t(i)], u, v));
        u -= g.width + t.weight + t.tracking;
    }
    return (d - t.weight / 2) * t.cap;
}

void draw_text(Canvas& cv, const Text& t, Vec3 colour, Vec3 shadow, float drop)
{
    const int x0 = int(t.left) - 4, x1 = int(t.left + text_width(t) + drop) + 4;
    const int y0 = int(t.baseline - t.cap * (1 + t.weight)) - 4, y1 = int(t.baseline + t.cap * t.weight + drop) + 4;
    paint(cv, x0, y0, x1, y1, [&](float x, float y) { return text_dist(t, x - drop, y - drop); }, flat(shadow));
    paint(cv, x0, y0, x1, y1, [&](float x, float y) { return text_dist(t, x, y); }, flat(colour));
}

// Shades a disc as a sphere lit from the upper left, with a dusty rim bloom.
Vec3 plum_shade(float x, float y, float cx, float cy, float r, Vec3 skin)
{
    const float nx = (x - cx) / r, ny = (y - cy) / r;
    const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
    const float light = std::max(0.0f, -0.55f * nx - 0.55f * ny + 0.63f * nz);
    const Vec3 body = skin * (0.35f + 0.9f * light);
    return mix(body, rgb8(150, 140, 200), 0.55f * (1 - nz) * (1 - nz));
}

struct Plum {
    float cx, cy, r;
    Vec3 skin;
};

void draw_plum(Canvas& cv, const Plum& p, Vec3 ink)
{
    const int x0 = int(p.cx - p.r) - 8, x1 = int(p.cx + p.r) + 8;
    const int y0 = int(p.cy - p.r) - 8, y1 = int(p.cy + p.r) + 8;
    const auto disc = [&](float x, float y) { return std::hypot(x - p.cx, y - p.cy) - p.r; };
    paint(cv, x0, y0, x1, y1, [&](float x, float y) { return disc(x, y) - 5; }, flat(ink));
    paint(cv, x0, y0, x1, y1, disc, [&](float x, float y) { return plum_shade(x, y, p.cx, p.cy, p.r, p.skin); });
    // The crease runs down the plum's face, a little right of centre.
    const float ccx = p.cx - 1.6f * p.r, cr = 1.95f * p.r;
    paint(cv, x0, y0, x1, y1,
          [&](float x, float y) { return std::max(std::abs(std::hypot(x - ccx, y - p.cy) - cr) - 2.5f, disc(x, y) + 10); },
          flat(ink), 0.5f);
    const float hx = p.cx - 0.42f * p.r, hy = p.cy - 0.45f * p.r;
    paint(cv, x0, y0, x1, y1,
          [&](float x, float y) { return std::hypot((x - hx) * 1.4f, y - hy) - 0.16f * p.r; },
          flat({1, 1, 1}), 0.9f);
}

// Leaf: the lens between two circles, along the line from (ax,ay) to (bx,by).
float leaf_dist(float x, float y, float ax, float ay, float bx, float by)
{
    const float mx = (ax + bx) / 2, my = (ay + by) / 2, half = std::hypot(bx - ax, by - ay) / 2;
    const float ux = (bx - ax) / (2 * half), uy = (by - ay) / (2 * half);
    const float u = (x - mx) * ux + (y - my) * uy, v = -(x - mx) * uy + (y - my) * ux;
    const float off = half * 0.9f;
    return std::hypot(u, std::abs(v) + off) - std::hypot(half, off);
}

constexpr Vec3 ink = rgb8(48, 16, 44), glass_ink = rgb8(52, 112, 140), white{1, 1, 1};

// The emblem is laid out around the jar's axis jx; its box covers all of it.
constexpr float jx = 300, dome_y = 262, jr = 150, base_y = 548;  // axis, dome centre, radius, foot
constexpr int ex0 = int(jx) - 200, ex1 = int(jx) + 200;

// A pale gradient, a soft blush behind the jar and its shadow on the table.
void draw_ground(Canvas& cv)
{
    for (int y = 0; y < logo_height; ++y)
        for (int x = 0; x < logo_width; ++x)
            cv.px[std::size_t(y) * logo_width + x] = mix(rgb8(253, 250, 245), rgb8(241, 235, 247), float(y) / logo_height);
    paint(cv, ex0 - 100, 0, ex1 + 100, logo_height,
          [&](float x, float y) { return (std::hypot(x - jx, y - 330) - 250) / 40; }, flat(rgb8(247, 233, 242)));
    paint(cv, ex0, 540, ex1, logo_height,
          [&](float x, float y) { return (std::hypot((x - jx) / 10, y - 586) - 19) / 1.5f; }, flat(rgb8(214, 204, 222)));
}

void draw_fruit(Canvas& cv)
{
    constexpr std::array<Plum, 3> plums{{{jx - 87, 485, 60, rgb8(120, 40, 110)},
                                         {jx + 87, 489, 56, rgb8(104, 36, 122)},
                                         {jx, 456, 88, rgb8(128, 34, 98)}}};
    for (const Plum& p : plums) draw_plum(cv, p, ink);

    const auto stem = [&](float x, float y) { return segment_dist(x, y, jx + 3, 372, jx + 17, 318); };
    paint(cv, ex0, 240, ex1, 390, [&](float x, float y) { return stem(x, y) - 9; }, flat(ink));
    paint(cv, ex0, 240, ex1, 390, [&](float x, float y) { return stem(x, y) - 5; }, flat(rgb8(120, 84, 48)));
    const auto leaf = [&](float x, float y) { return leaf_dist(x, y, jx + 19, 330, jx + 123, 280); };
    paint(cv, ex0, 240, ex1, 390, [&](float x, float y) { return leaf(x, y) - 4.5f; }, flat(ink));
    paint(cv, ex0, 240, ex1, 390, leaf, [&](float, float y) { return mix(rgb8(110, 172, 70), rgb8(70, 130, 50), (y - 270) / 60); });
    paint(cv, ex0, 240, ex1, 390,
          [&](float x, float y) { return std::max(segment_dist(x, y, jx + 25, 327, jx + 111, 286) - 1.5f, leaf(x, y) + 6); },
          flat(rgb8(44, 92, 36)), 0.8f);
}

void draw_jar(Canvas& cv)
{
    // A wall of radius jr with a round dome, tinted glass over the fruit.
    const auto jar = [&](float x, float y) {
        const float wall = std::max(std::abs(x - jx) - jr, y - base_y);
        return y < dome_y ? std::hypot(x - jx, y - dome_y) - jr : wall;
    };
    paint(cv, ex0, 100, ex1, 560, jar, flat(rgb8(205, 232, 244)), 0.18f);
    paint(cv, ex0, 100, ex1, 560, [&](float x, float y) { return std::abs(jar(x, y) + 12) - 1.5f; }, flat(glass_ink), 0.45f);
    paint(cv, ex0, 100, ex1, 560, [&](float x, float y) { return std::abs(jar(x, y)) - 6.5f; }, flat(glass_ink));
    constexpr Stroke glint_arc{jx, -dome_y, 112, 160, jr - 30};
    const auto glint = [&](float x, float y) {
        return std::min(stroke_dist(glint_arc, x, -y), segment_dist(x, y, jx - jr + 30, dome_y + 24, jx - jr + 30, 470)) - 6;
    };
    paint(cv, ex0, 100, ex1, 560, glint, flat(white), 0.85f);
    paint(cv, ex0, 100, ex1, 560, [&](float x, float y) { return segment_dist(x, y, jx + jr - 26, 300, jx + jr - 26, 360) - 4; },
          flat(white), 0.7f);

    const auto knob = [&](float x, float y) {
        return std::min(std::hypot(x - jx, y - 86) - 22, std::max(std::abs(x - jx) - 9, std::abs(y - 104) - 12));
    };
    paint(cv, ex0, 40, ex1, 130, [&](float x, float y) { return knob(x, y) - 6; }, flat(glass_ink));
    paint(cv, ex0, 40, ex1, 130, knob, [&](float, float y) { return mix(rgb8(235, 248, 252), rgb8(150, 200, 220), (y - 64) / 50); });

    const auto base = [&](float x, float y) {
        const float qx = std::max(std::abs(x - jx) - 172, 0.0f), qy = std::max(std::abs(y - 563) - 3, 0.0f);
        return std::hypot(qx, qy) - 12;
    };
    paint(cv, ex0, 530, ex1, 600, [&](float x, float y) { return base(x, y) - 5; }, flat(ink));
    paint(cv, ex0, 530, ex1, 600, base, [&](float, float y) { return mix(rgb8(176, 112, 72), rgb8(112, 64, 42), (y - 548) / 30); });

}

// The wordmark keeps clear of the outer columns, which the approaching
// cloud pushes off screen, and leaves the rows below it to the captions.
void draw_wordmark(Canvas& cv)
{
    constexpr float right = 1078;
    Text title{"PLUMS", 0, 197, 114, 0.25f, 0.12f};
    title.left = right - text_width(title);
    draw_text(cv, title, rgb8(92, 30, 88), rgb8(140, 196, 214), 7);
    Text sub{"UNDER GLASS", 0, 276, 47, 0.23f, 0.16f};
    sub.left = right - text_width(sub);
    draw_text(cv, sub, glass_ink, rgb8(200, 222, 230), 4);
}

}  // namespace

std::vector<std::uint8_t> draw_logo()
{
    Canvas cv;
    draw_ground(cv);
    draw_fruit(cv);
    draw_jar(cv);
    draw_wordmark(cv);

    std::vector<std::uint8_t> out;
    out.reserve(cv.px.size() * 3);
    for (Vec3 p : cv.px) {
        out.push_back(to_byte(p.x));
        out.push_back(to_byte(p.y));
        out.push_back(to_byte(p.z));
    }
    return out;
}
