#pragma once

// Painting with signed distances: a shape is a function that is negative
// inside, and its edge is anti-aliased by how far a pixel centre lies from it.
#include "vec.h"

#include <cmath>
#include <vector>

struct Canvas {
    int width, height;
    std::vector<Vec3> px;  // linear 0..1, rows top first

    Canvas(int w, int h, Vec3 ground) : width(w), height(h), px(std::size_t(w) * std::size_t(h), ground) {}
};

// Blends colour(x, y) over the box wherever dist(x, y) < 0, by coverage times
// alpha; a distance between -0.5 and 0.5 covers part of a pixel, which also
// fades a shape out where a distance is pushed up on purpose.
template <class Dist, class Colour>
void paint(Canvas& cv, int x0, int y0, int x1, int y1, Dist dist, Colour colour, float alpha = 1)
{
    for (int y = std::max(y0, 0); y < std::min(y1, cv.height); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, cv.width); ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float cover = clamp01(0.5f - dist(fx, fy));
            if (cover <= 0) continue;
            Vec3& p = cv.px[std::size_t(y) * std::size_t(cv.width) + std::size_t(x)];
            p = mix(p, colour(fx, fy), cover * alpha);
        }
    }
}

inline auto flat(Vec3 c)
{
    return [c](float, float) { return c; };
}

// A distance sampled once at each pixel centre of a box, for shapes that
// bevels and extrusions look up many times over. Pixels are addressed by the
// integer part of a coordinate.
struct Field {
    int x0, y0, w, h;
    std::vector<float> d;

    float at(int x, int y) const
    {
        if (x < x0 || y < y0 || x >= x0 + w || y >= y0 + h) return 1e9f;
        return d[std::size_t(y - y0) * std::size_t(w) + std::size_t(x - x0)];
    }
    float at(float x, float y) const { return at(int(std::floor(x)), int(std::floor(y))); }

    // Outward unit normal (x, y) in image axes, y down; zero where flat.
    Vec3 normal(int x, int y) const
    {
        const float gx = at(x + 1, y) - at(x - 1, y), gy = at(x, y + 1) - at(x, y - 1);
        const float len = std::hypot(gx, gy);
        return len > 0 && len < 1e6f ? Vec3{gx / len, gy / len, 0} : Vec3{0, 0, 0};
    }
    Vec3 normal(float x, float y) const { return normal(int(std::floor(x)), int(std::floor(y))); }
};

template <class Dist>
Field sample(int x0, int y0, int x1, int y1, Dist dist)
{
    Field f{x0, y0, x1 - x0, y1 - y0, std::vector<float>(std::size_t(x1 - x0) * std::size_t(y1 - y0))};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            f.d[std::size_t(y - y0) * std::size_t(f.w) + std::size_t(x - x0)] = dist(x + 0.5f, y + 0.5f);
    return f;
}
