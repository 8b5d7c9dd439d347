// The last stage before encoding: level and peaks.
#pragma once

#include "dsp.h"

// Brings the track to target_lufs with no sample above ceiling_db (dBFS): a gain, then the peak
// limiter, measured again until on target, since the limiter takes a little loudness off each time
// the gain goes up. Returns the loudness reached.
float master(Stereo &s, float target_lufs, float ceiling_db);
