#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// What a drawing routine hands to the rasterizer, read back through GL's
// feedback mode: every polygon that survives culling and clipping, in the
// order drawn. Lets a test count and place primitives without reading the
// code that drew them.
namespace feedback {

struct Vertex {
    double x, y, z;     // eye space
    double r, g, b, a;  // the colour it was drawn with
};

// A quad as its corners; the rasterizer may have split it into two
// triangles, whose corners are all listed.
using Quad = std::vector<Vertex>;

// Runs draw in feedback mode under an orthographic view of the eye-space box
// |x|, |y| <= reach, |z| <= depth (the model-view matrix is left to draw) and
// pairs triangles back into quads. Adds a test failure when the buffer
// overflows or anything but polygons comes back.
std::vector<Quad> capture_quads(double reach, double depth, const std::function<void()> &draw);

struct Bounds {
    double left, right, bottom, top, back, front;
};
// The box around count quads from first on.
Bounds bounds(const Quad *first, std::size_t count = 1);

}  // namespace feedback
