#pragma once

#include <chrono>
#include <vector>

#include "estimate.h"
#include "options.h"
#include "report.h"
#include "split.h"

// What the capture knows of the whole job while its workers render: the
// frames kept, what each scene has cost, each worker's pace lately, and so
// the time left, shown on one progress line for the whole job.
namespace capture {

struct Tally {
    const Options *options = nullptr;
    offline::PartStarts starts{};
    std::vector<Range> ranges;
    std::vector<long> shots;  // the frames of screenshots, in order, each once
    long total = 0;           // frames to keep
    long kept = 0;
    SceneCosts costs{};
    // Per worker: its pace, the last frame it kept (one before its range
    // at first) and the part that frame belongs to.
    std::vector<Pace> paces;
    std::vector<long> last;
    std::vector<int> parts;
    std::chrono::steady_clock::time_point began;
    double shown_at = 0;  // seconds into the run of the last progress line shown
    long shown_step = 0;  // and which 1/plain_steps of the frames it showed
};

// The frames of the screenshots asked for, in order, each once.
std::vector<long> shot_frames(const Options &options);

Tally start_tally(const Options &options, const offline::PartStarts &starts, const std::vector<Range> &ranges);

// Counts a kept frame and shows the progress when it is due: on a terminal
// (redrawn in place) at most ten times a second, elsewhere (a log file,
// nohup, CI) every 10 s or every 5 % of the frames.
void note_frame(Tally &tally, const Report &report, bool terminal);

}  // namespace capture
