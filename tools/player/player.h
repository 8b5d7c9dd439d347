#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include "platform.h"

// The coder's player: the demo's timeline in a window, with pause, seek,
// loop and a frame-time overlay. It drives the same scenes through the same
// seam as the demo, on a clock of its own: the wall clock while playing,
// frozen while paused. Every seek replays the timeline from its start on the
// capture's frame clock, skipping the frames before the target, so the frame
// shown after a seek to T is the frame the capture renders at T at the same
// rate. Wall times are passed in, so tests can drive it without a keyboard
// or a real clock.
namespace player {

struct Settings {
    double at = 0;  // seconds of the demo to start at
    Tick step = 0;  // ms between frames on a fixed-step clock; 0 follows the wall clock
};

// Frames on the fixed-step clock, or for seeks without one: frame n lies
// n * 1000 / fps ms after the first, rounded to the millisecond.
constexpr long seek_fps = 60;

// Starts playing at settings.at. Finished frames go to show (SDL's swap, or
// a test's grabber); music may be null.
void start(const Settings &settings, Mix_Music *music, Presenter show, Tick wall_now);

// One key press; false for Escape, which quits.
bool press(SDLKey key, Tick wall_now);

// One turn of the loop: draws the frame that is due at this wall time, if
// any. Returns whether it drew.
bool update(Tick wall_now);

// Draws the current frame again, for a window that was uncovered.
void redraw();

// Seconds of the demo of the frame last drawn, and its part.
double demo_seconds();
int current_scene();

}  // namespace player
