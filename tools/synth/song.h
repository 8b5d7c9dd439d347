// "kostival groove": the demo's soundtrack, written as data and rendered by the voices.
#pragma once

#include <vector>

#include "dsp.h"

constexpr double tempo_bpm = 138.0;
constexpr double song_seconds = 126.5;  // the demo stops at about 121.8 s; the rest is silence

// The whole track, faded out at the end, before the master stage sets its level.
Stereo render_song();

// Seconds from the top of the track at which each section of the arrangement begins, in order.
std::vector<double> section_starts();
