#include "letters.h"

#include <array>

namespace {

// Cap-height units, y up from the baseline, before the slant. Strokes are
// about a quarter of the cap height; outer corners are cut at 45 degrees.
struct Glyph {
    char c;
    float width;
    int outer_count;
    std::array<P2, 17> outer;
    int hole_count;
    std::array<P2, 4> hole;
};

constexpr std::array<P2, 4> upper_counter{{{.26f, .58f}, {.44f, .58f}, {.44f, .80f}, {.26f, .80f}}};

constexpr std::array<Glyph, 13> glyphs{{
    {'P', .68f, 8, {{{0, 0}, {.26f, 0}, {.26f, .36f}, {.52f, .36f}, {.68f, .52f}, {.68f, .84f}, {.52f, 1}, {0, 1}}},
     4, upper_counter},
    {'L', .64f, 7, {{{0, 0}, {.64f, 0}, {.64f, .12f}, {.52f, .24f}, {.26f, .24f}, {.26f, 1}, {0, 1}}}, 0, {}},
    {'U', .70f, 12,
     {{{0, .18f}, {.18f, 0}, {.52f, 0}, {.70f, .18f}, {.70f, 1}, {.44f, 1}, {.44f, .30f}, {.40f, .26f}, {.30f, .26f},
       {.26f, .30f}, {.26f, 1}, {0, 1}}},
     0, {}},
    {'M', .92f, 12,
     {{{0, 0}, {.26f, 0}, {.26f, .54f}, {.46f, .34f}, {.66f, .54f}, {.66f, 0}, {.92f, 0}, {.92f, 1}, {.70f, 1},
       {.46f, .74f}, {.22f, 1}, {0, 1}}},
     0, {}},
    {'S', .70f, 17,
     {{{.14f, 0}, {.56f, 0}, {.70f, .14f}, {.70f, .48f}, {.56f, .62f}, {.26f, .62f}, {.26f, .76f}, {.70f, .76f},
       {.70f, 1}, {.14f, 1}, {0, .86f}, {0, .52f}, {.14f, .38f}, {.44f, .38f}, {.44f, .24f}, {0, .24f}, {0, .14f}}},
     0, {}},
    {'N', .72f, 10,
     {{{0, 0}, {.26f, 0}, {.26f, .46f}, {.46f, 0}, {.72f, 0}, {.72f, 1}, {.46f, 1}, {.46f, .54f}, {.26f, 1}, {0, 1}}},
     0, {}},
    {'D', .70f, 6, {{{0, 0}, {.52f, 0}, {.70f, .18f}, {.70f, .82f}, {.52f, 1}, {0, 1}}},
     4, {{{.26f, .24f}, {.44f, .24f}, {.44f, .76f}, {.26f, .76f}}}},
    {'E', .64f, 12,
     {{{0, 0}, {.64f, 0}, {.64f, .22f}, {.26f, .22f}, {.26f, .40f}, {.54f, .40f}, {.54f, .60f}, {.26f, .60f},
       {.26f, .78f}, {.64f, .78f}, {.64f, 1}, {0, 1}}},
     0, {}},
    {'R', .76f, 11,
     {{{0, 0}, {.26f, 0}, {.26f, .36f}, {.38f, .36f}, {.50f, 0}, {.76f, 0}, {.62f, .42f}, {.68f, .50f}, {.68f, .84f},
       {.52f, 1}, {0, 1}}},
     4, upper_counter},
    {'G', .70f, 14,
     {{{.16f, 0}, {.70f, 0}, {.70f, .56f}, {.36f, .56f}, {.36f, .36f}, {.44f, .36f}, {.44f, .24f}, {.26f, .24f},
       {.26f, .76f}, {.70f, .76f}, {.70f, 1}, {.16f, 1}, {0, .84f}, {0, .16f}}},
     0, {}},
    {'A', .72f, 10,
     {{{0, 0}, {.26f, 0}, {.26f, .30f}, {.46f, .30f}, {.46f, 0}, {.72f, 0}, {.72f, .80f}, {.52f, 1}, {.20f, 1},
       {0, .80f}}},
     4, {{{.26f, .52f}, {.46f, .52f}, {.46f, .76f}, {.26f, .76f}}}},
    {' ', .30f, 0, {}, 0, {}},
}};

const Glyph& glyph(char c)
{
    for (const Glyph& g : glyphs)
        if (g.c == c) return g;
    return glyphs.back();
}

}  // namespace

float lettering_right(const Lettering& t)
{
    float u = 0;
    for (char c : t.text) u += glyph(c).width + t.tracking;
    return t.left + (u - t.tracking) * t.cap;
}

std::vector<Outline> lay_out(const Lettering& t)
{
    std::vector<Outline> letters;
    float u = 0;
    for (char c : t.text) {
        const Glyph& g = glyph(c);
        const auto place = [&](P2 p) {
            return P2{t.left + (u + p.x + letter_slant * p.y) * t.cap, t.baseline - p.y * t.cap};
        };
        if (g.outer_count > 0) {
            Outline o{{}, {}, 1e30f, 1e30f, -1e30f, -1e30f};
            for (int i = 0; i < g.outer_count; ++i) {
                const P2 p = place(g.outer[std::size_t(i)]);
                o.outer.push_back(p);
                o.x0 = std::min(o.x0, p.x), o.y0 = std::min(o.y0, p.y);
                o.x1 = std::max(o.x1, p.x), o.y1 = std::max(o.y1, p.y);
            }
            for (int i = 0; i < g.hole_count; ++i) o.hole.push_back(place(g.hole[std::size_t(i)]));
            letters.push_back(o);
        }
        u += g.width + t.tracking;
    }
    return letters;
}

float lettering_dist(const std::vector<Outline>& letters, float x, float y, bool solid)
{
    float d = 1e30f;
    for (const Outline& o : letters) {
        // The box bounds the letter from below: skip letters farther than the best so far.
        const float box = std::hypot(std::max({o.x0 - x, x - o.x1, 0.0f}), std::max({o.y0 - y, y - o.y1, 0.0f}));
        if (box >= d) continue;
        float l = polygon_dist(x, y, o.outer.data(), int(o.outer.size()));
        if (!solid && !o.hole.empty()) l = std::max(l, -polygon_dist(x, y, o.hole.data(), int(o.hole.size())));
        d = std::min(d, l);
    }
    return d;
}
