// Measurements of a whole stereo track, as a mastering engineer or a jury reads a mix: levels, band
// energies, width, onsets, repeated bars and the melody. Times are seconds from the top of the track.
#pragma once

#include <array>
#include <string>
#include <vector>

struct Track {
    std::vector<float> l, r;  // 44.1 kHz, full scale 1
};

// Any file ffmpeg reads, decoded as ffmpeg decodes it; empty when it cannot be read.
Track decode(const char *ffmpeg, const std::string &path);

double seconds(const Track &t);

// Over [from, to) s, in dB relative to full scale: the RMS of both sides, the largest sample, and the
// larger of the two sides' means.
double level_db(const Track &t, double from, double to);
double peak_db(const Track &t, double from, double to);
double dc_db(const Track &t, double from, double to);

// Energy of the side signal (L - R) over that of the mid (L + R), in dB, over the whole band.
double side_to_mid_db(const Track &t, double from, double to);

// The track through a high-pass at hz, 24 dB per octave: where its top end is measured.
Track highpassed(const Track &t, double hz);

// Integrated loudness of [from, to) s in LUFS, as played or summed to mono ((L + R) / 2 on both sides).
double loudness(const Track &t, double from, double to, bool mono_sum);

// Power spectrum of the mid signal (L + R) over [from, to), summed over Hann-windowed frames of 8192
// samples side by side: bin k lies at k * 44100 / 8192 Hz.
std::vector<double> mid_power(const Track &t, double from, double to);
// The sum of its bins from lo_hz up to hi_hz, and the frequency of its strongest partial there.
double band_power(const std::vector<double> &power, double lo_hz, double hi_hz);
double peak_hz(const std::vector<double> &power, double lo_hz, double hi_hz);
// The share of each pitch class (0 = C) in its bins from lo_hz up to hi_hz.
std::array<double, 12> chroma(const std::vector<double> &power, double lo_hz, double hi_hz);
int pitch_class(double hz);

struct Spectrum {
    // Shares of the energy from 20 Hz to 20 kHz in 20-60, 60-250, 250-2k, 2k-6k and 6k-20k Hz.
    std::array<double, 5> share;
    double low_correlation;  // of left and right from 20 to 150 Hz: 1 is mono
};
Spectrum spectrum(const Track &t, double from, double to);

struct Onset {
    double at;       // s
    double rise_db;  // over the 50 ms before it
};
// The strongest onset within `window` s either side of `near`: where the level, or the level of the
// highs, rises most over the 50 ms before.
Onset strongest_onset(const Track &t, double near, double window);

// How many of the bars from `from` s on repeat an earlier bar almost exactly: their difference lies
// 15 dB or more under the bar. bars holds the start of each bar and, last, the end of the last.
int repeated_bars(const Track &t, const std::vector<double> &bars, double from);

// The pitch class (0 = C) of the loudest partial between lo_hz and hi_hz in the 93 ms around `at`, and
// the mean square of the whole band there; -1 where nothing sounds.
struct Loudest {
    int pitch_class;
    double energy;
};
Loudest loudest_pitch(const Track &t, double at, double lo_hz, double hi_hz);

// The pitch class (0 = C) sounding loudest on each sixteenth of the bar [from, to), -1 where nothing
// sounds; empty where the track is silent through the bar.
using BarMelody = std::vector<int>;
BarMelody bar_melody(const Track &t, double from, double to);

// Whether two bars carry the same tune: two in three of the sixteenths that sound agree. The
// margin lets a tail of the bar before, or a misheard note, pass.
bool same_tune(const BarMelody &a, const BarMelody &b);

// The demo's scenes in track seconds: the music starts right before the first frame.
struct Scene {
    const char *name;
    double from, to;
};
constexpr Scene scenes[] = {{"decrunch", 0.0, 8.2},    {"logo", 8.2, 23.7},       {"cubes", 23.7, 32.5},
                            {"tiles", 32.5, 41.3},     {"starfield", 41.3, 83.8}, {"picture", 83.8, 101.3},
                            {"credits", 101.3, 121.3}};
constexpr double warp_flash_s = 81.75;
constexpr double fade_to_black_s = 116.3, black_s = 117.3;  // the picture's last fade
constexpr double demo_end_s = 121.3;
