#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include "gl_stream.h"
#include "offline.h"
#include "partit.h"
#include "scenes.h"
#include "text.h"

// Frame time of each scene at 1280x720, built like the demo, with a plain
// swap as in the demo. Measures; passes or fails nothing. Each scene runs in
// a process of its own, so it starts with its never-reset statics fresh.
//
// At the heavy moments it also times the floor: the frame's own GL call
// stream sent again from a record, with none of the scene's arithmetic. Scene
// and floor alternate, and the medians are compared: a ratio near 1 says the
// frame costs what its GL calls cost, and a change that adds work to a frame
// shows up as a higher ratio.
namespace {

struct Moment {
    const char *what;
    Tick elapsed;  // ms into the scene
    bool heavy;    // timed against its floor too
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
constexpr int timed_frames = 9;

const std::vector<SceneBench> benches = {
    {"decrunch", {init_decrunch, draw_decrunch}, 500, {{"caption and bar", 2000, false}}},
    {"logo", {init_logofx, draw_logofx}, 8200, {{"far", 1000, false}, {"near, all captions", 15000, true}}},
    {"cube field", {init_cubevemputus, draw_cubevemputus}, 23700, {{"title settled", 5000, false}}},
    {"tile wave", {init_tilewave, draw_tilewave}, 32500, {{"swirl", 4000, true}}},
    {"starfield", {init_sf, draw_sf}, 41300, {{"no labels", 15000, false}, {"500 labels", 25000, true}}},
    {"picture", {init_picture, draw_picture}, 83800, {{"revealing", 3000, false}, {"revealed", 12000, true}}},
    {"end credits", {init_endpart, draw_endpart}, 101300, {{"young tree", 4000, false}, {"full tree", 12000, true}}},
};

void PrintTo(const SceneBench &bench, std::ostream *out) { *out << bench.name; }

Tick now;
Tick bench_ticks() { return now; }

using Ms = std::chrono::duration<double, std::milli>;

// Wall time of one frame, from an idle rasterizer to a finished one.
template <typename Draw>
double frame_ms(Draw draw)
{
    glFinish();
    const auto begin = std::chrono::steady_clock::now();
    draw();
    glFinish();
    return Ms(std::chrono::steady_clock::now() - begin).count();
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

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
    const auto scene_frame = [&] {
        now += frame_step;
        bench.scene.frame();
    };
    const auto floor_frame = [] {
        gl_stream::replay();
        SDL_GL_SwapBuffers();
    };
    for (const Moment &moment : bench.moments) {
        while (now + walk_step < bench.start + moment.elapsed) {
            now += walk_step;
            bench.scene.frame();
        }
        gl_stream::record_begin();
        scene_frame();
        gl_stream::record_end();

        std::vector<double> scene_ms, floor_ms;
        for (int i = 0; i < timed_frames; ++i) {
            scene_ms.push_back(frame_ms(scene_frame));
            if (moment.heavy)
                floor_ms.push_back(frame_ms(floor_frame));
        }
        const double scene = median(scene_ms);
        std::printf("%-12s %-20s %8.1f ms a frame (%5.1f fps)", bench.name, moment.what, scene, 1000 / scene);
        if (moment.heavy)
            std::printf(", floor %8.1f ms (%ld GL calls), ratio %.2f", median(floor_ms), gl_stream::recorded_calls(),
                        scene / median(floor_ms));
        std::printf("\n");
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
