// Loudness as streaming services and ffmpeg's ebur128 filter measure it, so the track can be set
// to its target level before it is encoded.
#pragma once

#include "dsp.h"

// Integrated loudness in LUFS: K-weighting, 400 ms blocks overlapping by 75 %, blocks under
// -70 LUFS dropped, then blocks more than 10 LU under the mean of the rest dropped.
// Returns -70 for a signal with nothing above the absolute gate.
float integrated_loudness(const Stereo &s);
