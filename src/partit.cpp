#include "partit.h"

#include <cstdlib>

#include "scenes.h"

int currentPart;
int partInited;
Tick partBeginTime;

namespace {

constexpr SceneTable demo_scenes = {{
    {nullptr, nullptr},
    {init_decrunch, draw_decrunch},
    {init_logofx, draw_logofx},
    {init_cubevemputus, draw_cubevemputus, skip_cubevemputus},
    {init_tilewave, draw_tilewave},
    {init_sf, draw_sf, skip_sf, rewind_sf},
    {init_picture, draw_picture},
    {init_endpart, draw_endpart, skip_endpart, rewind_endpart},
}};

}  // namespace

int step_timeline(const SceneTable &scenes, Step step)
{
    if (currentPart >= 1 && currentPart < part_count) {
        const Scene &scene = scenes[currentPart];
        if (!partInited) {
            scene.setup();
            partInited = 1;
        }
        if (step == Step::draw)
            scene.frame();
        else if (scene.skip)
            scene.skip();
    }
    if (currentPart >= final_part)
        return 0;

    // The frame above is drawn before this check, so the frame on which a
    // part's time runs out still belongs to that part.
    const Tick elapsed = platform_ticks() - partBeginTime;
    if (currentPart < 0 || elapsed > partDuration[currentPart]) {
        ++currentPart;
        partInited = 0;
        partBeginTime = platform_ticks();
    }
    return 1;
}

int draw_frame() { return step_timeline(demo_scenes); }

int skip_frame() { return step_timeline(demo_scenes, Step::skip); }

void rewind_demo()
{
    currentPart = 0;
    partInited = 0;
    partBeginTime = 0;
    for (const Scene &scene : demo_scenes)
        if (scene.rewind)
            scene.rewind();
    // An unseeded rand starts where seeding it with 1 does.
    std::srand(1);
}
