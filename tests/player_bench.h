#pragma once

#include <cstdint>
#include <vector>

#include "bench.h"
#include "player.h"

// The player on the test bench: a small window, a virtual wall clock, and runs
// of the demo from its start to hold the player's frames against.
namespace player_bench {

constexpr int width = 160;
constexpr int height = 90;
constexpr Tick step = 500;      // a coarse fixed step keeps the runs from the start short
constexpr Tick wall_clock = 0;  // no fixed step: frames follow the wall clock

using Pixels = std::vector<std::uint8_t>;

extern Tick wall_now;  // ms on the virtual wall clock

long frame_index(double seconds);  // on the fixed step

struct Drawn {
    int part;
    Pixels pixels;
};
// Frames from..to of a run that draws every frame from the start.
std::vector<Drawn> run_from_start(long from, long to);
const Pixels &shown();

// Moves the wall clock on a step at a time, one turn of the player's loop at
// each; returns whether the last turn drew.
bool play_until(Tick wall);

struct Changes {
    int in_corner = 0;  // top left, where the overlay's text goes
    int on_bar = 0;     // the timeline bar's rows
    int elsewhere = 0;
};
// Pixels that differ between two frames, by where they lie.
Changes changes(const Pixels &a, const Pixels &b, int corner_width = width / 2, int corner_height = height / 4);

class Player : public testing::Test {
protected:
    void SetUp() override { bench::open(width, height); }
    // The built-in demo code from a moment, on the virtual wall clock unless given another.
    void start(double at, Tick step_ms = step, TickSource wall = nullptr);
};

}  // namespace player_bench
