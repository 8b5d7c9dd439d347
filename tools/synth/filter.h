// State-variable filter (trapezoidal integration): stays stable while its cutoff is swept, which
// the filter envelopes of the bass and the plucks do.
#pragma once

#include <algorithm>
#include <cmath>

#include "dsp.h"

struct Svf {
    float ic1 = 0.0f, ic2 = 0.0f;  // integrator states
};

struct SvfCoef {
    float k, a1, a2, a3;
};

struct SvfOut {
    float low, band, high;
};

// q of 0.707 is the flattest pass band; higher q rings at the cutoff. The cutoff is kept below
// 0.45 of the sample rate.
inline SvfCoef svf_coef(float cutoff_hz, float q)
{
    const float hz = std::clamp(cutoff_hz, 10.0f, 0.45f * sample_rate);
    const float g = std::tan(pi * hz / sample_rate);
    const float k = 1.0f / q;
    const float a1 = 1.0f / (1.0f + g * (g + k));
    const float a2 = g * a1;
    return {k, a1, a2, g * a2};
}

inline SvfOut svf_tick(Svf &s, const SvfCoef &c, float in)
{
    const float v3 = in - s.ic2;
    const float v1 = c.a1 * s.ic1 + c.a2 * v3;
    const float v2 = s.ic2 + c.a2 * s.ic1 + c.a3 * v3;
    s.ic1 = 2.0f * v1 - s.ic1;
    s.ic2 = 2.0f * v2 - s.ic2;
    return {v2, v1, in - c.k * v1 - v2};
}
