#pragma once

#include <array>

#include "partit.h"
#include "timeline.h"

// How long the frames still to draw will take. Frames differ in cost by a
// factor of thirty between one stretch of the demo and the next, so the
// estimate weighs the work left, not the frames left: each frame counts its
// reference cost, measured on whole-demo captures. The scene being drawn
// scales that by what its own frames have cost so far; scenes not reached
// yet by the pace of the run lately, which follows a machine that gets
// busier or quieter.
namespace capture {

// What the frames of one part have cost so far in this run.
struct SceneCost {
    long frames = 0;
    double seconds = 0;  // wall-clock
    double work = 0;     // reference seconds
};
using SceneCosts = std::array<SceneCost, final_part + 1>;

// The pace of the run lately: wall-clock and reference seconds of the frames
// drawn, each frame counting less the longer ago it was drawn.
struct Pace {
    double seconds = 0;
    double work = 0;
};

void add_frame(Pace &pace, double seconds, double work);

// Reference seconds of work, per part of the timeline.
using PartWork = std::array<double, final_part + 1>;

// Reference seconds a frame of the given part and size, drawn at this time of
// the video, costs. Parts grow with the frame's size in their own measure:
// the logo's and the picture's points cost per point, the tile wall's and
// the starfield's per pixel.
double reference_cost(double video_seconds, int part, long pixels);

// Reference seconds of work of the frames in [from, end) at that size, per part.
PartWork work_between(const offline::PartStarts &starts, offline::Rate rate, long pixels, long from, long end);

// Seconds left, from what each part has cost so far, the pace lately and the
// reference work left per part; negative while nothing has been measured.
double seconds_left(const SceneCosts &seen, const Pace &pace, const PartWork &left);

}  // namespace capture
