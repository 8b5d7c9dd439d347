// "kostival groove": the demo's soundtrack, written as data and rendered by the voices.
#pragma once

#include <optional>
#include <vector>

#include "dsp.h"

constexpr double song_seconds = 126.5;  // the demo stops at 121.3 s; the rest is silence

// The instruments in groups that can be rendered alone, to hear or measure one against the mix.
enum class Stem { drums, bass, pad, arp, lead, bell, fx };
constexpr const char *stem_names[] = {"drums", "bass", "pad", "arp", "lead", "bell", "fx"};
constexpr int stem_count = 7;

// The whole track, or one stem of it alone, faded out at the end, before the master stage sets its
// level. The stems add up to the whole track.
Stereo render_song(std::optional<Stem> only = std::nullopt);

// Seconds from the top of the track at which each section of the arrangement begins, in order.
std::vector<double> section_starts();

// Seconds at which each bar begins, from the top up to the closing hit, and last the hit itself.
std::vector<double> bar_starts();

// Seconds at which each beat begins, from the top up to the closing hit: the tempo map the bars group.
std::vector<double> beat_starts();
