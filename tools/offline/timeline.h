#pragma once

#include <array>

#include "partit.h"
#include "platform.h"

// The fixed-step clock over the demo's timeline that the capture encodes on
// and the player seeks on. Frame n is drawn at tick start + n * 1000 * den /
// num, rounded to the nearest millisecond from n itself so that no rounding
// error builds up; its time in the video is exactly n * den / num seconds, and
// the music starts at video time 0.
namespace offline {

// The tick of the demo's first frame unless told otherwise: what its start-up
// (SDL, audio, the window, the music) is taken to last.
constexpr Tick default_start = 500;

// Frames per second as a fraction, so that NTSC rates such as 30000/1001 are
// exact in the clock and in the video.
struct Rate {
    long num = 60;
    long den = 1;
};

double per_second(Rate rate);

Tick frame_tick(Tick start, Rate rate, long n);

// The first frame each part presents, indexed by part; [final_part] is the
// number of frames in the whole timeline. Part 0 presents nothing. The frame
// on which a part's time runs out still belongs to that part, and the next
// part draws its first frame one step later.
using PartStarts = std::array<long, final_part + 1>;
PartStarts part_starts(Tick start, Rate rate);

long timeline_frames(Tick start, Rate rate);

// Steps the timeline at the clock's tick, as the demo's loop does, until it
// has drawn (or skipped) one frame. Returns the part the frame belonged to,
// or 0 once the demo has ended.
int next_frame(Step step = Step::draw);

// A short name for a part of the timeline (0 to 8), for the progress line.
const char *scene_name(int part);

// The frame nearest to a time in the video, in seconds, and back.
long frame_at(double seconds, Rate rate);
double frame_seconds(long n, Rate rate);

}  // namespace offline
