#pragma once

#include <array>

#include "platform.h"

// The timeline: which part runs, its one-time set-up and its duration.
// Part 0 draws nothing and lasts until the tick counter has moved; parts 1
// to 7 are the scenes; part 8 ends the run.
constexpr int part_count = 8;
constexpr int final_part = 8;

// Milliseconds each part runs, counted from the call that advanced into it.
constexpr std::array<Tick, part_count> partDuration = {0, 8200, 15500, 8800, 8800, 42500, 17500, 20000};

extern int currentPart;
extern int partInited;       // 0 until the current part's set-up has run
extern Tick partBeginTime;   // tick at which the current part began

struct Scene {
    void (*setup)();  // GL state and the scene's own start tick, once
    void (*frame)();  // one whole frame, from its clear to its present
};
using SceneTable = std::array<Scene, part_count>;  // entry 0 is never used

// One step of the timeline over the given scenes: draws the current part's
// frame (after its set-up on its first frame), then moves on when its time is
// up. Returns 0 once the timeline has passed its last part, 1 before.
int step_timeline(const SceneTable &scenes);

// step_timeline over the demo's seven scenes.
int draw_frame();
