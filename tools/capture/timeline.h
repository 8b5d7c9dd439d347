#pragma once

#include "platform.h"

// The capture's fixed-step clock over the demo's timeline. Frame n of a
// capture is drawn at tick start + n * 1000 / fps, rounded to the nearest
// millisecond from n itself so that no rounding error builds up; its time in
// the video is exactly n / fps, and the music starts at video time 0.
namespace capture {

Tick frame_tick(Tick start, int fps, long n);

// How many frames the whole timeline presents when it starts at the given
// tick and is stepped at fps: the frame on which a part's time runs out still
// belongs to that part, and the next part draws its first frame one step later.
long timeline_frames(Tick start, int fps);

// A short name for a part of the timeline (0 to 8), for the progress line.
const char *scene_name(int part);

// The frame nearest to a time in the video, in seconds.
long frame_at(double seconds, int fps);

}  // namespace capture
