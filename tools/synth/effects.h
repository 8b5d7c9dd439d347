// Whole-buffer effects: the song is rendered offline, so each effect runs once over a send bus.
#pragma once

#include <cstddef>
#include <vector>

#include "dsp.h"

// Ping-pong echo of a mono send, added to out: the first repeat comes on the left after
// delay_samples, the next on the right, each round trip lower by feedback and duller through a
// low-pass at damp_hz.
void add_echo(const std::vector<float> &send, Stereo &out, std::size_t delay_samples, float feedback,
              float damp_hz);

// A room, its wet signal added to out: parallel damped combs into series all-passes per side, the
// right side's lines a little longer so the two sides decorrelate. room (0..1) sets the tail length,
// damp (0..1) how fast the highs die.
void add_reverb(const std::vector<float> &send, Stereo &out, float room, float damp);

// A high-pass at 5 Hz on both sides: takes off the offset that the first half-cycles of low notes
// leave, which would otherwise waste headroom and thump when playback starts or stops.
void block_dc(Stereo &s);

// Look-ahead peak limiter: no sample of either side ends above ceiling. The gain ramps down over
// attack_s before a peak and recovers with a time constant of release_s after it. Returns the gain
// it applied to each sample.
std::vector<float> limit(Stereo &s, float ceiling, float attack_s, float release_s);
