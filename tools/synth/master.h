// The last stage before encoding: level and peaks.
#pragma once

#include <vector>

#include "dsp.h"

struct Mastered {
    float lufs;               // the loudness reached
    std::vector<float> gain;  // what each sample was multiplied by, the limiter's work included
};

// Brings the track to target_lufs with no sample above ceiling_db (dBFS): a gain, then the peak
// limiter, measured again until on target, since the limiter takes a little loudness off each time
// the gain goes up.
Mastered master(Stereo &s, float target_lufs, float ceiling_db);
