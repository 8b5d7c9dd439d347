#pragma once

#include <gtest/gtest.h>

#include "offline.h"
#include "partit.h"

// The test bench: a real OpenGL window (Mesa's software rasterizer when run
// headless), the demo's virtual clock, and pixel probes placed with the
// bench's own projection maths rather than the code under test.
namespace bench {

constexpr int default_width = 640;
constexpr int default_height = 480;

void open(int width = default_width, int height = default_height);

struct Rgb {
    int r, g, b;
};
std::ostream &operator<<(std::ostream &out, Rgb colour);

constexpr Rgb black = {0, 0, 0};
constexpr Rgb white = {255, 255, 255};

// A colour given as GL floats, as the scenes state it.
constexpr Rgb rgb(double r, double g, double b)
{
    return {static_cast<int>(r * 255 + 0.5), static_cast<int>(g * 255 + 0.5), static_cast<int>(b * 255 + 0.5)};
}

struct Point {
    double x, y;  // window pixels, origin at the top left
};

// Where an eye-space point lands in the window under the demo's frustum.
Point project_eye(double x, double y, double z);
// The same for a point given relative to the base model-view matrix.
Point project_base(double x, double y, double z);

// Window units per eye-space unit at depth z (negative, in front of the eye).
double pixels_per_unit(double z);

// Runs one frame at the given virtual tick through a scene's set-up (when
// first is true) and frame routine.
void draw_at(Tick now, const Scene &scene, bool first = false);

Rgb at(int x, int y);
Rgb at(Point p);

// Passes when every channel is within tolerance; on failure the message gives
// the place, the expected and the seen colour, and the frame is saved.
testing::AssertionResult probe(Point p, Rgb expected, int tolerance = 3);
testing::AssertionResult probe_not(Point p, Rgb unexpected, int tolerance = 3);

// How many pixels in the rectangle are within tolerance of the colour.
int count(int x0, int y0, int x1, int y1, Rgb colour, int tolerance = 3);

// Saves the last frame as <name>.png among the test frames; returns the path.
std::string save(const std::string &name);

}  // namespace bench
