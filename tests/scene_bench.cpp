#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include "offline.h"
#include "partit.h"
#include "scenes.h"
#include "text.h"

// Frame time of each scene at 1280x720 on the unsanitized code, with a plain
// swap as in the demo. Measures; passes or fails nothing. Each scene runs in
// a process of its own, so it starts with its never-reset statics fresh.
namespace {

struct Moment {
    const char *what;
    Tick elapsed;  // ms into the scene
};

struct SceneBench {
    const char *name;
    Scene scene;
    Tick start;                  // about where the part begins in a run
    std::vector<Moment> moments;
};

// Scenes that keep a previous-frame time move by the step between frames,
// so they are walked up to each moment at a coarse step before timing.
constexpr Tick walk_step = 100;
constexpr Tick frame_step = 16;
constexpr int timed_frames = 10;

const std::vector<SceneBench> benches = {
    {"decrunch", {init_decrunch, draw_decrunch}, 500, {{"caption and bar", 2000}}},
    {"logo", {init_logofx, draw_logofx}, 8200, {{"far", 1000}, {"near, all captions", 15000}}},
    {"cube field", {init_cubevemputus, draw_cubevemputus}, 23700, {{"title settled", 5000}}},
    {"tile wave", {init_tilewave, draw_tilewave}, 32500, {{"swirl", 4000}}},
    {"starfield", {init_sf, draw_sf}, 41300, {{"no labels", 15000}, {"500 labels", 25000}}},
    {"picture", {init_picture, draw_picture}, 83800, {{"revealing", 3000}, {"revealed", 12000}}},
    {"end credits", {init_endpart, draw_endpart}, 101300, {{"young tree", 4000}, {"full tree", 12000}}},
};

void PrintTo(const SceneBench &bench, std::ostream *out) { *out << bench.name; }

Tick now;
Tick bench_ticks() { return now; }

class SceneFrameTime : public testing::TestWithParam<SceneBench> {};

TEST_P(SceneFrameTime, At1280x720)
{
    const SceneBench &bench = GetParam();
    ASSERT_TRUE(offline::open_window(1280, 720));
    platform_install(bench_ticks, SDL_GL_SwapBuffers);
    fill_glyphs();
    now = bench.start;
    bench.scene.setup();
    bench.scene.frame();
    for (const Moment &moment : bench.moments) {
        while (now + walk_step < bench.start + moment.elapsed) {
            now += walk_step;
            bench.scene.frame();
        }
        glFinish();
        const std::clock_t cpu_begin = std::clock();
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 0; i < timed_frames; ++i) {
            now += frame_step;
            bench.scene.frame();
        }
        glFinish();
        const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - begin;
        const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - cpu_begin) / CLOCKS_PER_SEC;
        std::printf("%-12s %-20s %8.1f ms a frame (%5.1f fps), %8.1f ms of CPU a frame\n", bench.name,
                    moment.what, wall.count() / timed_frames, 1000 * timed_frames / wall.count(),
                    cpu_ms / timed_frames);
    }
}

std::string test_name(const testing::TestParamInfo<SceneBench> &info)
{
    std::string name;
    for (const char *c = info.param.name; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c)))
            name += *c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(Scenes, SceneFrameTime, testing::ValuesIn(benches), test_name);

}  // namespace
