#pragma once

#include "partit.h"
#include "platform.h"

// What the player calls of the demo's code. The player carries a copy of it
// built in; while it plays it can swap in a fresh one, built from the edited
// sources as a shared library, without losing its place.
struct DemoCode {
    int (*step)(Step);  // one step of the timeline, the frame drawn or skipped
    void (*rewind)();   // the timeline and every scene's state as at program start
    const int *current_part;
    void (*install)(TickSource ticks, Presenter present);
    void (*setup_view)(int width, int height);
};

// The entry point, in the player and in the shared library alike; the player
// looks the library's up by this name.
extern "C" const DemoCode *demo_code();
constexpr const char *demo_code_symbol = "demo_code";
