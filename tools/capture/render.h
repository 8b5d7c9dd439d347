#pragma once

#include <functional>
#include <string>

#include "offline.h"
#include "options.h"
#include "report.h"
#include "split.h"

// A worker's share of the capture: the timeline stepped from its start, as
// the demo's loop steps it, to the end of one range. Frames before the range,
// or between screenshots, are skipped, not drawn: later scenes depend on the
// state, and the rand sequence, that earlier frames leave behind.
namespace capture {

using Tell = std::function<void(const Report &)>;

// Whether frame n is kept: every frame of the range, or those of screenshots.
bool is_kept(const Options &options, const Range &range, long n);

// Draws the kept frames of the range in a window of the worker's own and
// hands each to the sink, or writes its screenshots, telling of each frame
// kept. Stops after the frame in hand on a stop request. Returns why a frame
// could not be kept, or an empty string.
std::string render(const Options &options, int worker, const Range &range, const Tell &tell);

}  // namespace capture
