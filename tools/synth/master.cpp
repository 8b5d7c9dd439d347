#include "master.h"

#include <cmath>

#include "effects.h"
#include "loudness.h"

namespace {

constexpr int passes = 4;
constexpr float close_enough = 0.1f;      // LU
constexpr float limiter_attack = 0.002f;  // seconds: short enough to keep the kick's punch
constexpr float limiter_release = 0.08f;

Stereo scaled(const Stereo &s, float gain)
{
    Stereo out = s;
    for (float &v : out.l)
        v *= gain;
    for (float &v : out.r)
        v *= gain;
    return out;
}

}  // namespace

Mastered master(Stereo &s, float target_lufs, float ceiling_db)
{
    // The limiter only shaves peaks, so the loudness before it is a close first guess.
    float gain = db_to_gain(target_lufs - integrated_loudness(s)), lufs = 0.0f;
    Stereo out;
    for (int pass = 0; pass < passes; ++pass) {
        out = scaled(s, gain);
        limit(out, db_to_gain(ceiling_db), limiter_attack, limiter_release);
        lufs = integrated_loudness(out);
        if (std::fabs(lufs - target_lufs) < close_enough)
            break;
        gain *= db_to_gain(target_lufs - lufs);
    }
    s = std::move(out);
    return {lufs, gain};
}
