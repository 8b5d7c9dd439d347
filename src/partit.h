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
    // What frame() does to the state carried from frame to frame (and to the
    // GL state the next frame starts from), with nothing drawn; null for a
    // scene that carries nothing.
    void (*skip)() = nullptr;
    // Puts back what the scene carries at program start, which its set-up
    // never resets; null when the set-up resets everything.
    void (*rewind)() = nullptr;
};
using SceneTable = std::array<Scene, part_count>;  // entry 0 is never used

enum class Step {
    draw,  // the scene's whole frame
    skip,  // only what the frame leaves behind for the frames after it
};

// One step of the timeline over the given scenes: draws (or skips) the
// current part's frame, after its set-up on its first frame, then moves on
// when its time is up. Returns 0 once the timeline has passed its last part,
// 1 before.
int step_timeline(const SceneTable &scenes, Step step = Step::draw);

// step_timeline over the demo's seven scenes.
int draw_frame();

// The same step with nothing drawn. Every frame drawn after any number of
// skipped ones is the frame a run that drew them all would draw: tools jump
// to a moment this way without paying for the frames before it.
int skip_frame();

// The timeline, every scene's carried state and rand's sequence as they are
// at program start, so that the tools can play from the start again.
void rewind_demo();
