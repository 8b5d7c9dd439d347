#include <chrono>
#include <cstdio>

#include <SDL.h>
#include <gtest/gtest.h>

#include "offline.h"
#include "partit.h"
#include "platform.h"
#include "scenes.h"

// Frame time of the cube field and the tile wave at 1280x720. Reports;
// passes or fails nothing.
namespace {

constexpr Tick frame_step = 16;
constexpr int frames = 60;

Tick now;
Tick bench_ticks() { return now; }

double ms_per_frame(const Scene &scene, Tick start)
{
    now = start;
    scene.setup();
    scene.frame();
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        now += frame_step;
        scene.frame();
    }
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - begin;
    return spent.count() / frames;
}

TEST(CubesTilesBench, FrameTimeAt1280x720)
{
    ASSERT_TRUE(offline::open_window(1280, 720));
    // A plain swap, as in the demo: no read-back of each frame.
    platform_install(bench_ticks, SDL_GL_SwapBuffers);
    // Where the parts begin when the demo runs through.
    const double cubes = ms_per_frame({init_cubevemputus, draw_cubevemputus}, 23700);
    const double tiles = ms_per_frame({init_tilewave, draw_tilewave}, 32500);
    std::printf("1280x720: cube field %.2f ms a frame, tile wave %.2f ms a frame\n", cubes, tiles);
}

}  // namespace
