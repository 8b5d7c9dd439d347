#pragma once

#include <string>
#include <vector>

#include <SDL.h>

#include "demo_code.h"
#include "platform.h"
#include "reload.h"

// The coder's player: the demo's timeline in a window, with pause, seek,
// loop, slow motion and a readout. It drives the same scenes through the same
// seam as the demo, on a clock of its own: the wall clock while playing (at
// the chosen speed), frozen while paused. Every seek replays the timeline
// from its start on the capture's frame clock, skipping the frames before the
// target, so the frame shown after a seek to T is the frame the capture
// renders at T at the same rate. The wall clock is passed in, so tests can
// drive it without a keyboard or a real clock; the music, when the
// soundtrack is open, follows the picture after every jump.
namespace player {

struct Settings {
    double at = 0;  // seconds of the demo to start at
    Tick step = 0;  // ms between frames on a fixed-step clock; 0 follows the wall clock
    TickSource wall = SDL_GetTicks;
};

// Frames on the fixed-step clock, or for seeks without one: frame n lies
// n * 1000 / fps ms after the first, rounded to the millisecond.
constexpr long seek_fps = 60;

// Starts playing at settings.at with the given demo code. Finished frames go
// to show (SDL's swap, or a test's grabber).
void start(const Settings &settings, const DemoCode *code, Presenter show);

// What a key asks of the program around the player.
enum class Request { none, quit, reload };
Request press(SDLKey key, SDLMod mod = KMOD_NONE);

// A press on the timeline bar at the bottom of the window (window pixels,
// from the top left) seeks there; false when the point is off the bar or the
// bar is hidden. A drag that began on the bar seeks to where it has gone.
bool point_at(int x, int y);
void drag_to(int x);

// One turn of the loop: draws the frame that is due now, if any. Returns
// whether it drew.
bool update();

// Draws the current frame again, for a window that was uncovered.
void redraw();

// Swaps in other demo code, such as a fresh build of the scenes, and shows
// the same moment with it, paused, looped and overlaid as before. The notes
// go with the code they were about.
void use_code(const DemoCode *code);

// Lines shown over the frame whatever the overlay's state, such as a build's
// errors; none to clear them.
void show_notes(std::vector<std::string> lines);

// Takes in what a rebuild brought: new code, or notes on the build.
void follow(const reload::Outcome &outcome);

// Seconds of the demo of the frame last drawn, and its part.
double demo_seconds();
int current_scene();
bool paused();

// The overlay's lines as they stand, and the last screenshot written ("" before any).
std::vector<std::string> readout();
const std::string &last_screenshot();

}  // namespace player
