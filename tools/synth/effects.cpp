#include "effects.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Comb and all-pass lengths in samples at 44.1 kHz, mutually prime so their echoes do not line up.
constexpr std::array<int, 8> comb_length = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<int, 4> allpass_length = {556, 441, 341, 225};
constexpr int stereo_spread = 23;
constexpr float reverb_input = 0.015f;  // keeps the sum of eight combs well inside full scale

struct Comb {
    std::vector<float> buf;
    std::size_t pos = 0;
    float store = 0.0f;  // the damping low-pass inside the loop
};

struct Allpass {
    std::vector<float> buf;
    std::size_t pos = 0;
};

float comb_tick(Comb &c, float in, float feedback, float damp)
{
    const float out = c.buf[c.pos];
    c.store = out * (1.0f - damp) + c.store * damp;
    c.buf[c.pos] = in + c.store * feedback;
    if (++c.pos == c.buf.size())
        c.pos = 0;
    return out;
}

float allpass_tick(Allpass &a, float in)
{
    const float delayed = a.buf[a.pos];
    a.buf[a.pos] = in + delayed * 0.5f;
    if (++a.pos == a.buf.size())
        a.pos = 0;
    return delayed - in;
}

void reverb_side(const std::vector<float> &send, std::vector<float> &out, int spread, float room, float damp)
{
    std::array<Comb, comb_length.size()> combs;
    std::array<Allpass, allpass_length.size()> allpasses;
    for (std::size_t i = 0; i < combs.size(); ++i)
        combs[i].buf.assign(comb_length[i] + spread, 0.0f);
    for (std::size_t i = 0; i < allpasses.size(); ++i)
        allpasses[i].buf.assign(allpass_length[i] + spread, 0.0f);
    const float feedback = 0.7f + 0.28f * room;
    for (std::size_t i = 0; i < send.size(); ++i) {
        const float in = send[i] * reverb_input;
        float sum = 0.0f;
        for (Comb &c : combs)
            sum += comb_tick(c, in, feedback, damp);
        for (Allpass &a : allpasses)
            sum = allpass_tick(a, sum);
        out[i] += sum;
    }
}

}  // namespace

void add_echo(const std::vector<float> &send, Stereo &out, std::size_t delay_samples, float feedback,
              float damp_hz)
{
    std::vector<float> line_l(delay_samples), line_r(delay_samples);
    const float lp = 1.0f - std::exp(-2.0f * pi * damp_hz / sample_rate);
    float dull_l = 0.0f, dull_r = 0.0f;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < send.size(); ++i) {
        const float dl = line_l[pos], dr = line_r[pos];
        dull_l += lp * (dl - dull_l);
        dull_r += lp * (dr - dull_r);
        line_l[pos] = send[i] + feedback * dull_r;
        line_r[pos] = dull_l;
        if (++pos == delay_samples)
            pos = 0;
        out.l[i] += dl;
        out.r[i] += dr;
    }
}

void add_reverb(const std::vector<float> &send, Stereo &out, float room, float damp)
{
    reverb_side(send, out.l, 0, room, damp);
    reverb_side(send, out.r, stereo_spread, room, damp);
}

void block_dc(Stereo &s)
{
    const double pole = std::exp(-2.0 * pi_d * 5.0 / sample_rate);
    for (std::vector<float> *side : {&s.l, &s.r}) {
        double in = 0.0, out = 0.0;
        for (float &v : *side) {
            out = v - in + pole * out;
            in = v;
            v = static_cast<float>(out);
        }
    }
}

std::vector<float> limit(Stereo &s, float ceiling, float attack_s, float release_s)
{
    const std::size_t n = s.l.size();
    std::vector<float> gain(n);
    if (n == 0)
        return gain;
    for (std::size_t i = 0; i < n; ++i) {
        const float peak = std::max(std::fabs(s.l[i]), std::fabs(s.r[i]));
        gain[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Backwards: arrive at each peak's gain on a straight ramp, so the peak is never cut abruptly.
    const float ramp = 1.0f / (attack_s * sample_rate);
    for (std::size_t i = n - 1; i-- > 0;)
        gain[i] = std::min(gain[i], gain[i + 1] + ramp);
    // Forwards: let the gain back up slowly, so the limiter does not flutter on each cycle.
    const float recover = std::exp(-1.0f / (release_s * sample_rate));
    for (std::size_t i = 1; i < n; ++i)
        gain[i] = std::min(gain[i], 1.0f - (1.0f - gain[i - 1]) * recover);
    for (std::size_t i = 0; i < n; ++i) {
        s.l[i] *= gain[i];
        s.r[i] *= gain[i];
    }
    return gain;
}
