#include <algorithm>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>

#include <SDL.h>
#include <gtest/gtest.h>

#include "offline.h"
#include "platform.h"
#include "scenes.h"

// Frame times of the picture reveal and the end scene at 1280x720, and the
// frames a person looks at before calling them done. Reports; passes or
// fails nothing. Each test runs in a process of its own, so each starts the
// scenes' never-reset statics afresh.
namespace {

constexpr int width = 1280;
constexpr int height = 720;
constexpr Tick start = 100000;  // near where parts 6 and 7 begin in a run

Tick now;
Tick bench_ticks() { return now; }

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point begin)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
}

// Average frame time over [from, to) ms of scene time at the given step.
double ms_per_frame(void (*frame)(), Tick from, Tick to, Tick step)
{
    int frames = 0;
    double spent = 0;
    for (Tick elapsed = from; elapsed < to; elapsed += step) {
        now = start + elapsed;
        const Clock::time_point begin = Clock::now();
        frame();
        spent += ms_since(begin);
        ++frames;
    }
    return spent / frames;
}

void open_for_timing()
{
    ASSERT_TRUE(offline::open_window(width, height));
    // A plain swap, as in the demo: no read-back of each frame.
    platform_install(bench_ticks, SDL_GL_SwapBuffers);
}

TEST(PictureEndpartBench, PictureRevealFrameTimeAt1280x720)
{
    open_for_timing();
    now = start;
    init_picture();
    // Every frame submits the same points; the reveal only changes their alpha.
    const double early = ms_per_frame(draw_picture, 0, 3000, 250);
    const double revealed = ms_per_frame(draw_picture, 11000, 17500, 250);
    std::printf("picture reveal 1280x720: %.1f ms a frame while revealing, %.1f ms revealed\n", early, revealed);
}

TEST(PictureEndpartBench, EndSceneFrameTimeAt1280x720)
{
    open_for_timing();
    now = start;
    init_endpart();
    // A 60 Hz step, so the tree forks as it does on a real screen.
    const double growing = ms_per_frame(draw_endpart, 0, 8000, 16);
    const double full_tree = ms_per_frame(draw_endpart, 8000, 20000, 16);
    std::printf("end scene 1280x720: %.2f ms a frame while the tree grows (0-8 s), %.2f ms after (8-20 s)\n", growing,
                full_tree);
}

void save_at(Tick elapsed, const char *name)
{
    const std::string path = std::string(TEST_FRAMES_DIR) + "/" + name + ".png";
    offline::write_png(offline::last_frame(), path.c_str());
    std::printf("%6u ms: %s\n", static_cast<unsigned>(elapsed), path.c_str());
}

// Plays a scene at a steady step on the virtual clock and saves the frames at
// the given scene times.
void look(void (*setup)(), void (*frame)(), Tick step, std::initializer_list<std::pair<Tick, const char *>> shots)
{
    ASSERT_TRUE(offline::open_window(width, height));
    offline::set_time(start);
    setup();
    Tick elapsed = 0;
    for (const auto &[at, name] : shots) {
        for (; elapsed < at; elapsed = std::min<Tick>(elapsed + step, at)) {
            offline::set_time(start + elapsed);
            frame();
        }
        offline::set_time(start + at);
        frame();
        save_at(at, name);
    }
}

TEST(PictureEndpartBench, FramesToLookAt)
{
    // The reveal follows the clock alone: a coarse step shows the same frames.
    look(init_picture, draw_picture, 1000, {{3000, "look.picture.3s"}, {12000, "look.picture.12s"}});
}

TEST(PictureEndpartBench, EndFramesToLookAt)
{
    look(init_endpart, draw_endpart, 16,
         {{2000, "look.endpart.2s"}, {7000, "look.endpart.7s"}, {11000, "look.endpart.11s"},
          {14000, "look.endpart.14s"}});
}

}  // namespace
