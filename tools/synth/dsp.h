// Shared basics of the build-time synthesizer: the output rate, pitch and panning.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

constexpr int sample_rate = 44100;  // samples per second per channel, what the demo's mixer opens
constexpr double pi_d = 3.14159265358979323846;
constexpr float pi = static_cast<float>(pi_d);

// Equal temperament around A4 = MIDI note 69 = 440 Hz.
inline float note_hz(float note) { return 440.0f * std::exp2((note - 69.0f) / 12.0f); }

inline float db_to_gain(float db) { return std::pow(10.0f, db / 20.0f); }

inline std::size_t seconds_to_samples(double s) { return static_cast<std::size_t>(s * sample_rate + 0.5); }

// Constant-power pan, -1 hard left .. 1 hard right.
struct Pan {
    float l, r;
};
inline Pan pan_gains(float pan)
{
    const float a = (pan + 1.0f) * pi * 0.25f;
    return {std::cos(a), std::sin(a)};
}

struct Stereo {
    std::vector<float> l, r;
};

inline Stereo make_stereo(std::size_t frames)
{
    return {std::vector<float>(frames), std::vector<float>(frames)};
}
