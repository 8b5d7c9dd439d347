#include <chrono>
#include <cstdio>
#include <ctime>

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include "offline.h"
#include "platform.h"
#include "scenes.h"
#include "text.h"

// Frame time of the logo scene at 1280x720: every frame submits all 745 436
// points of the picture one by one. Reports; passes or fails nothing.
namespace {

constexpr Tick start = 8300;  // about where the part begins when the demo runs through
constexpr Tick frame_step = 500;
constexpr int frames = 31;    // across the whole 15.5 s of the scene

Tick now;
Tick bench_ticks() { return now; }

TEST(LogoBench, FrameTimeAt1280x720)
{
    ASSERT_TRUE(offline::open_window(1280, 720));
    // A plain swap, as in the demo: no read-back of each frame.
    platform_install(bench_ticks, SDL_GL_SwapBuffers);
    fill_glyphs();
    now = start;
    init_logofx();
    draw_logofx();
    glFinish();
    // CPU time as well: llvmpipe's threads share the machine with whatever
    // else runs, and the wall clock counts the waiting.
    const std::clock_t cpu_begin = std::clock();
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        now += frame_step;
        draw_logofx();
    }
    glFinish();
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - begin;
    const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - cpu_begin) / CLOCKS_PER_SEC;
    std::printf("logo scene 1280x720 on %s: %d frames, %.1f ms a frame (%.1f fps), %.1f ms of CPU a frame\n",
                reinterpret_cast<const char *>(glGetString(GL_RENDERER)), frames, spent.count() / frames,
                1000 * frames / spent.count(), cpu_ms / frames);
}

}  // namespace
