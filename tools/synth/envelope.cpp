#include "envelope.h"

#include <cmath>

namespace {

constexpr float ln_1000 = 6.90775528f;  // ln(1000): -60 dB

float held(const Adsr &e, float t)
{
    if (t < e.attack)
        return t / e.attack;
    return e.sustain + (1.0f - e.sustain) * fall(t - e.attack, e.decay);
}

}  // namespace

float fall(float t, float time) { return std::exp(-ln_1000 * t / time); }

float adsr(const Adsr &e, float t, float gate)
{
    if (t < 0.0f)
        return 0.0f;
    if (t < gate)
        return held(e, t);
    return held(e, gate) * fall(t - gate, e.release);
}
