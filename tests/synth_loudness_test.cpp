// The loudness meter against the reference cases of the loudness standard, and the master stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "loudness.h"
#include "master.h"
#include "synth_probe.h"

namespace {

Stereo both_sides(const std::vector<float> &x) { return {x, x}; }

std::vector<float> joined(std::vector<float> a, const std::vector<float> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(SynthLoudness, SineAt997HzReadsItsPeakLevelOnBothSides)
{
    // The reference tone: a sine at -20 dBFS on both sides is -20 LUFS, on one side 3 dB less.
    const std::vector<float> tone = sine_wave(997.0f, 0.1f, 10.0);
    EXPECT_NEAR(integrated_loudness(both_sides(tone)), -20.0, 0.05);
    EXPECT_NEAR(integrated_loudness({tone, std::vector<float>(tone.size(), 0.0f)}), -23.01, 0.05);
}

TEST(SynthLoudness, HighsCountMoreThanTheMids)
{
    // The head's shelf lifts the highs: ffmpeg's ebur128 reads this tone as -16.6 LUFS.
    const float at_10k = integrated_loudness(both_sides(sine_wave(10000.0f, 0.1f, 5.0)));
    EXPECT_NEAR(at_10k, -16.6, 0.1);
}

TEST(SynthLoudness, SilenceAndPassagesFarUnderTheMeanAreGatedOut)
{
    const std::vector<float> tone = sine_wave(997.0f, 0.1f, 10.0);
    EXPECT_NEAR(integrated_loudness(both_sides(joined(tone, std::vector<float>(tone.size(), 0.0f)))), -20.0,
                0.1);
    EXPECT_EQ(integrated_loudness(both_sides(std::vector<float>(sample_rate * 5, 0.0f))), -70.0f);
    // A passage 16 dB down falls under the relative gate; without it the mean would be -22.9.
    EXPECT_NEAR(integrated_loudness(both_sides(joined(tone, sine_wave(997.0f, 0.0158f, 10.0)))), -20.0, 0.15);
}

TEST(SynthMaster, BringsTheTrackToTheTargetUnderTheCeiling)
{
    // A quiet tone with loud bursts, as drums over a pad.
    Stereo s = both_sides(sine_wave(440.0f, 0.05f, 8.0));
    for (std::size_t i = 0; i < s.l.size(); i += sample_rate / 2)
        for (std::size_t k = 0; k < 2000 && i + k < s.l.size(); ++k)
            s.l[i + k] = s.r[i + k] =
                0.9f * std::sin(0.05f * static_cast<float>(k)) * std::exp(-static_cast<float>(k) / 500.0f);
    const float reached = master(s, -14.0f, -3.0f).lufs;
    EXPECT_NEAR(reached, -14.0f, 0.1f);
    EXPECT_NEAR(integrated_loudness(s), reached, 1e-4f);
    const float ceiling = std::pow(10.0f, -3.0f / 20.0f) * (1.0f + 1e-6f);  // give or take rounding
    for (std::size_t i = 0; i < s.l.size(); ++i)
        ASSERT_LE(std::max(std::fabs(s.l[i]), std::fabs(s.r[i])), ceiling) << i;
}
