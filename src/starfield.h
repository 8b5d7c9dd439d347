#pragma once

#include <array>

#include "platform.h"

// Scene 5, the starfield: its state, read-only for the tests, and the small
// pieces of maths its frame routine is built from.

constexpr int star_capacity = 2000;

struct Star {
    float x, y, z;  // in the star frame; x and y stay put, z flows towards the viewer
};

struct StarfieldState {
    int n_stars;                                          // stars in use, at most star_capacity
    std::array<Star, star_capacity> star;
    std::array<const char *, star_capacity> greet_stars;  // each star's greeting, a row of the greetings table
    Tick sf_begint;                                       // the scene's own start, read at the end of its set-up

    // Carried from one frame to the next and never reset: the scene runs once a run.
    float ax;       // yaw in degrees, 20 a second, wrapped back below 360
    float ay;       // pitch in degrees, swinging about a centre; never wrapped
    int axlock;     // once 1 the yaw stays where it is
    int aylock;     // once 1 the pitch stays where it is
    Tick warptime;  // tick at which the warp began; 0 before it
    int warped;     // once 1 stars fly on past the viewer instead of coming round again
    Tick lft;       // the previous frame's tick; 0 before the first frame
};

const StarfieldState &starfield_state();

// Yaw after a frame step of step milliseconds: 20 degrees a second unless
// locked, then one subtraction of 360 if it has reached 360.
float advance_ax(float ax, float step, int axlock);

// Pitch after a frame step, swinging with the cosine of the absolute clock
// in seconds (tenths / 10); unchanged once locked.
float advance_ay(float ay, float step, float tenths, int aylock);

// A star's depth after a frame step, 0.05 units a millisecond; past 100 it
// starts again at -100 exactly, unless the warp has let the stars go.
float advance_star_z(float z, float step, int warped);

// A label fades with its star's distance from the viewer's plane, in steps
// of 0.01: 1 near z = 0, 0 at z = 100.
float label_alpha(float z);

// Past half a turn of yaw the labels are turned round, so that they keep
// reading the same way as the view comes back towards its start.
bool label_turned(float ax);

// The view locks when it comes back near the direction it started in; both
// tests are strict.
bool ax_locks(float ax);
bool ay_locks(float ay);

// The ship's offset along its long axis as it flies in: about -99.5 when it
// appears at 3000 ms, 0.5 from 10000 ms on.
double ship_approach(Tick elapsed);

enum class WarpPhase {
    run_up,  // stretched and carried forward, dark clear colour
    flash,   // the next frame starts on white; stars are no longer recycled
    gone,    // nothing of the ship is drawn
};
WarpPhase warp_phase(float stretch);
