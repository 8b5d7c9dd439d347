// Oscillators: a phase accumulator per voice, band-limited saw and square, sine, and noise. Inline:
// they run for every sample of every note.
#pragma once

#include <cmath>
#include <cstdint>

#include "dsp.h"

struct Osc {
    double phase = 0.0;  // cycles, 0 <= phase < 1; double so long notes keep their pitch
};

// White noise from a fixed-seed generator, so every render is the same.
struct Noise {
    std::uint32_t state = 22222u;
};

namespace osc_detail {

// Polynomial band-limited step: smooths the jump of a naive saw or square over one sample on each
// side, which removes most of the aliasing that high notes would otherwise fold down.
inline double poly_blep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

inline double advance(Osc &o, double dt)
{
    const double p = o.phase;
    o.phase += dt;
    if (o.phase >= 1.0)
        o.phase -= 1.0;
    return p;
}

}  // namespace osc_detail

// Each call returns the current sample and advances the phase by hz / sample_rate.
inline float osc_sine(Osc &o, float hz)
{
    return static_cast<float>(std::sin(2.0 * pi_d * osc_detail::advance(o, hz / double(sample_rate))));
}

inline float osc_saw(Osc &o, float hz)
{
    const double dt = hz / double(sample_rate);
    const double p = osc_detail::advance(o, dt);
    return static_cast<float>(2.0 * p - 1.0 - osc_detail::poly_blep(p, dt));
}

inline float osc_square(Osc &o, float hz)
{
    const double dt = hz / double(sample_rate);
    const double p = osc_detail::advance(o, dt);
    const double half = p < 0.5 ? p + 0.5 : p - 0.5;
    return static_cast<float>((p < 0.5 ? 1.0 : -1.0) + osc_detail::poly_blep(p, dt) -
                              osc_detail::poly_blep(half, dt));
}

inline float noise(Noise &n)
{
    n.state = n.state * 1664525u + 1013904223u;
    return static_cast<float>(n.state >> 8) * (2.0f / 16777216.0f) - 1.0f;
}
