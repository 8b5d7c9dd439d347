#pragma once

#include <string>

#include "estimate.h"
#include "timeline.h"

// What the capture tells the terminal while it works and when it is done.
namespace capture {

// "m:ss", or "h:mm:ss" from an hour on.
std::string clock_text(double seconds);

// "60", or "29.97" for 30000/1001.
std::string rate_text(offline::Rate rate);

// One line of the progress display: frames done of total, a bar, the scene
// being drawn, frames per second and the time left (negative: not known yet).
std::string progress_line(long done, long total, const char *scene, double fps, double seconds_left);

// A table, one row per scene with frames, fps and capture seconds per second
// of the demo at the given frame rate.
std::string cost_report(const SceneCosts &costs, offline::Rate rate);

}  // namespace capture
