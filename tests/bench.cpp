#include "bench.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <SDL.h>

namespace bench {

namespace {

// The demo's frustum: x spans -1..1 at the near plane, y follows the window.
constexpr double near_plane = 5;
constexpr double base_depth = -100;

bool close(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string test_name()
{
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : "frame";
}

}  // namespace

std::ostream &operator<<(std::ostream &out, Rgb colour)
{
    return out << "(" << colour.r << ", " << colour.g << ", " << colour.b << ")";
}

void open(int width, int height)
{
    if (!offline::open_window(width, height)) {
        std::fprintf(stderr, "cannot open the test window: %s\n", SDL_GetError());
        std::abort();
    }
}

Point project_eye(double x, double y, double z)
{
    const offline::Frame &frame = offline::last_frame();
    const double aspect = static_cast<double>(frame.height) / frame.width;
    const double ndc_x = near_plane * x / -z;
    const double ndc_y = near_plane * y / (-z * aspect);
    return {(ndc_x + 1) * frame.width / 2, (1 - ndc_y) * frame.height / 2};
}

Point project_base(double x, double y, double z) { return project_eye(x, y, z + base_depth); }

double pixels_per_unit(double z) { return near_plane / -z * offline::last_frame().width / 2; }

void draw_at(Tick now, const Scene &scene, bool first)
{
    offline::set_time(now);
    if (first)
        scene.setup();
    scene.frame();
}

Rgb at(int x, int y)
{
    const offline::Frame &frame = offline::last_frame();
    if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) {
        ADD_FAILURE() << "(" << x << ", " << y << ") lies outside the " << frame.width << "x" << frame.height
                      << " frame";
        return {-1, -1, -1};
    }
    const std::uint8_t *p = offline::last_frame().pixel(x, y);
    return {p[0], p[1], p[2]};
}

Rgb at(Point p) { return at(static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))); }

testing::AssertionResult probe(Point p, Rgb expected, int tolerance)
{
    const Rgb seen = at(p);
    if (close(seen, expected, tolerance))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "at (" << p.x << ", " << p.y << ") expected " << expected << " ±"
                                       << tolerance << ", saw " << seen << "; frame saved as " << save(test_name());
}

testing::AssertionResult probe_not(Point p, Rgb unexpected, int tolerance)
{
    const Rgb seen = at(p);
    if (!close(seen, unexpected, tolerance))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "at (" << p.x << ", " << p.y << ") saw " << seen << ", which should not be "
                                       << unexpected << "; frame saved as " << save(test_name());
}

int count(int x0, int y0, int x1, int y1, Rgb colour, int tolerance)
{
    int matching = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            matching += close(at(x, y), colour, tolerance);
    return matching;
}

std::string save(const std::string &name)
{
    const std::string path = std::string(TEST_FRAMES_DIR) + "/" + name + ".png";
    offline::write_png(offline::last_frame(), path.c_str());
    return path;
}

}  // namespace bench
