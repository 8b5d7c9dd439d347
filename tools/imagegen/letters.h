#pragma once

// The wordmark's letterforms: chamfered block capitals cut from polygons,
// slanted forward, so that a bevel and an extrusion have straight faces to
// catch the light.
#include "shapes.h"

#include <string_view>
#include <vector>

struct Lettering {
    std::string_view text;  // capitals and spaces
    float left, baseline;   // pixels; the baseline's left end before the slant
    float cap;              // cap height, pixels
    float tracking;         // gap between letters, in cap heights
};

constexpr float letter_slant = 0.2f;  // forward lean: x shift per unit of height

// Right end of the lettering's baseline, in pixels.
float lettering_right(const Lettering& t);

// The letters as polygons in pixels, for lettering_dist.
struct Outline {
    std::vector<P2> outer, hole;  // hole is empty for letters without a counter
    float x0, y0, x1, y1;         // bounding box
};
std::vector<Outline> lay_out(const Lettering& t);

// Signed distance in pixels from (x, y) to the nearest letter; with solid,
// the counters count as inside.
float lettering_dist(const std::vector<Outline>& letters, float x, float y, bool solid = false);
