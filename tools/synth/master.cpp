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
    float next = db_to_gain(target_lufs - integrated_loudness(s)), gain = next, lufs = 0.0f;
    Stereo out;
    std::vector<float> limited;
    for (int pass = 0; pass < passes && (pass == 0 || std::fabs(lufs - target_lufs) >= close_enough); ++pass) {
        gain = next;
        out = scaled(s, gain);
        limited = limit(out, db_to_gain(ceiling_db), limiter_attack, limiter_release);
        lufs = integrated_loudness(out);
        next = gain * db_to_gain(target_lufs - lufs);
    }
    for (float &g : limited)
        g *= gain;
    s = std::move(out);
    return {lufs, std::move(limited)};
}
