#include "partit.h"

#include "scenes.h"

int currentPart;
int partInited;
Tick partBeginTime;

namespace {

constexpr SceneTable demo_scenes = {{
    {nullptr, nullptr},
    {init_decrunch, draw_decrunch},
    {init_logofx, draw_logofx},
    {init_cubevemputus, draw_cubevemputus},
    {init_tilewave, draw_tilewave},
    {init_sf, draw_sf},
    {init_picture, draw_picture},
    {init_endpart, draw_endpart},
}};

}  // namespace

int step_timeline(const SceneTable &scenes)
{
    if (currentPart >= 1 && currentPart < part_count) {
        const Scene &scene = scenes[currentPart];
        if (!partInited) {
            scene.setup();
            partInited = 1;
        }
        scene.frame();
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
