// Filter response, echo timing, reverb tail and the limiter's ceiling, measured on rendered signals.
#include <gtest/gtest.h>

#include <cmath>

#include "effects.h"
#include "filter.h"
#include "synth_probe.h"

namespace {

// Level change in dB of a sine through the filter output chosen by `pick`, once it has settled.
template <typename Pick>
double response_db(float hz, float cutoff, Pick pick)
{
    const std::vector<float> in = sine_wave(hz, 0.5f, 0.5);
    std::vector<float> out(in.size());
    Svf s;
    const SvfCoef c = svf_coef(cutoff, 0.7071f);
    for (std::size_t i = 0; i < in.size(); ++i)
        out[i] = pick(svf_tick(s, c, in[i]));
    const std::size_t settled = in.size() / 2;
    return rms_db(out, settled, in.size()) - rms_db(in, settled, in.size());
}

double sum(const std::vector<float> &x, std::size_t begin, std::size_t end)
{
    double s = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        s += x[i];
    return s;
}

}  // namespace

TEST(SynthFilter, LowPassKeepsTheBassAndCutsTwelveDecibelsPerOctave)
{
    auto low = [](SvfOut o) { return o.low; };
    EXPECT_NEAR(response_db(100.0f, 1000.0f, low), 0.0, 0.2);
    EXPECT_NEAR(response_db(1000.0f, 1000.0f, low), -3.0, 0.3);  // the cutoff is the -3 dB point
    EXPECT_LT(response_db(8000.0f, 1000.0f, low), -34.0);        // three octaves up
}

TEST(SynthFilter, HighPassIsTheMirrorImage)
{
    auto high = [](SvfOut o) { return o.high; };
    EXPECT_NEAR(response_db(10000.0f, 1000.0f, high), 0.0, 0.2);
    EXPECT_NEAR(response_db(1000.0f, 1000.0f, high), -3.0, 0.3);
    EXPECT_LT(response_db(125.0f, 1000.0f, high), -34.0);
}

TEST(SynthEcho, PingPongsBetweenTheSidesOncePerDelay)
{
    constexpr std::size_t delay = 1000;
    constexpr float feedback = 0.4f;
    std::vector<float> send(6000, 0.0f);
    send[100] = 1.0f;
    Stereo out = make_stereo(send.size());
    add_echo(send, out, delay, feedback, 3000.0f);
    EXPECT_EQ(sum(out.l, 0, 1100) + sum(out.r, 0, 2100), 0.0);
    EXPECT_FLOAT_EQ(out.l[1100], 1.0f);  // first repeat on the left, as sent
    // Later repeats are smeared by the damping but keep their weight.
    EXPECT_NEAR(sum(out.r, 2100, 3100), 1.0, 0.01);
    EXPECT_NEAR(sum(out.l, 3100, 4100), feedback, 0.01);
    EXPECT_NEAR(sum(out.r, 4100, 5100), feedback, 0.01);
}

TEST(SynthLimiter, KeepsPeaksUnderTheCeilingAndLeavesQuietPassagesAlone)
{
    constexpr float ceiling = 0.5f;
    Stereo s = {sine_wave(220.0f, 0.25f, 3.0), sine_wave(330.0f, 0.25f, 3.0)};
    const std::size_t loud_from = seconds_to_samples(1.0), loud_to = seconds_to_samples(1.5);
    for (std::size_t i = loud_from; i < loud_to; ++i)
        s.l[i] *= 8.0f;
    const Stereo before = s;
    limit(s, ceiling, 0.002f, 0.08f);
    for (std::size_t i = 0; i < s.l.size(); ++i) {
        ASSERT_LE(std::fabs(s.l[i]), ceiling * (1.0f + 1e-6f)) << i;  // give or take rounding
        ASSERT_LE(std::fabs(s.r[i]), ceiling * (1.0f + 1e-6f)) << i;
    }
    // Untouched well before the burst and once the release has let go after it.
    const std::size_t settled = loud_to + seconds_to_samples(1.0);
    for (std::size_t i : {std::size_t(0), loud_from - seconds_to_samples(0.01), settled, s.l.size() - 1}) {
        EXPECT_NEAR(s.l[i], before.l[i], 1e-4f) << i;
        EXPECT_NEAR(s.r[i], before.r[i], 1e-4f) << i;
    }
    // Both sides move together, so the stereo image holds still.
    const std::size_t mid = (loud_from + loud_to) / 2;
    EXPECT_NEAR(s.r[mid] / before.r[mid], s.l[mid] / before.l[mid], 1e-3f);
}
