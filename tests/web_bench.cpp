#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include "offline.h"
#include "spawn.h"
#include "timeline.h"

// The page's frame time in headless chromium against the native demo's, at
// 1280x720 at the heavy moments of the scenes, both stepped there on the
// capture's clock on this machine and timed from an idle rasterizer to a
// finished frame. Measures; passes or fails nothing.
namespace {

struct Moment {
    const char *what;
    double seconds;  // on the capture's clock, in order
};

constexpr Moment moments[] = {
    {"logo late", 23.2}, {"tile wave", 36.5}, {"starfield, labels", 66.3}, {"picture revealed", 95.8},
    {"full tree", 113.3},
};
constexpr int width = 1280;
constexpr int height = 720;
constexpr int timed_frames = 9;
constexpr offline::Rate rate;  // the capture's

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Native medians, in the page's way: the frame at each moment drawn, then
// the frames after it timed.
std::vector<double> native_ms()
{
    std::vector<double> medians;
    long n = 0;
    const auto step = [&n](Step how) {
        offline::set_time(offline::frame_tick(offline::default_start, rate, n++));
        offline::next_frame(how);
    };
    for (const Moment &moment : moments) {
        while (n < offline::frame_at(moment.seconds, rate))
            step(Step::skip);
        step(Step::draw);
        std::vector<double> times;
        for (int i = 0; i < timed_frames; ++i) {
            glFinish();
            const auto begin = std::chrono::steady_clock::now();
            step(Step::draw);
            glFinish();
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        }
        medians.push_back(median(times));
    }
    return medians;
}

TEST(WebFrameTime, AgainstNativeAt1280x720)
{
    ASSERT_TRUE(offline::open_window(width, height));
    // A plain swap, as the demo presents, rather than the grabber's read-back.
    platform_install(offline::time, SDL_GL_SwapBuffers);
    const std::vector<double> native = native_ms();

    std::vector<std::string> command = {NODE, BENCH_SCRIPT, std::to_string(width) + "x" + std::to_string(height),
                                        std::to_string(timed_frames)};
    for (const Moment &moment : moments)
        command.push_back(std::to_string(moment.seconds));
    SpawnOptions options;
    options.directory = testing::TempDir();
    options.environment = {{"PAGE", PAGE}, {"CHROMIUM", CHROMIUM}};
    options.kill_after_ms = 600000;
    const Spawned page = spawn(command, options);
    ASSERT_EQ(0, page.status) << page.err;

    std::istringstream lines(page.out);
    std::printf("%-20s %9s %9s %6s   (%dx%d, median of %d frames)\n", "moment", "native", "page", "ratio", width,
                height, timed_frames);
    for (std::size_t i = 0; i < std::size(moments); ++i) {
        double seconds = 0, page_ms = 0;
        ASSERT_TRUE(lines >> seconds >> page_ms) << page.out;
        std::printf("%-20s %6.1f ms %6.1f ms %6.2f\n", moments[i].what, native[i], page_ms, page_ms / native[i]);
    }
}

}  // namespace
