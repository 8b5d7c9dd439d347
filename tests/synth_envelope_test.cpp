// Envelope timing, read off rendered levels and rendered notes.
#include <gtest/gtest.h>

#include <cmath>

#include "envelope.h"
#include "synth_probe.h"
#include "voices.h"

namespace {

constexpr Adsr shape = {0.05f, 0.2f, 0.5f, 0.3f};
constexpr float held_for = 1.0f;

std::vector<float> levels(const Adsr &e, float gate, double seconds)
{
    std::vector<float> x(seconds_to_samples(seconds));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = adsr(e, static_cast<float>(i) / sample_rate, gate);
    return x;
}

// Seconds at which x first satisfies the test, from sample `from` on; -1 if never.
template <typename Test>
double first_time(const std::vector<float> &x, double from, Test test)
{
    for (std::size_t i = seconds_to_samples(from); i < x.size(); ++i)
        if (test(x[i]))
            return static_cast<double>(i) / sample_rate;
    return -1.0;
}

constexpr double one_ms = 0.001;

}  // namespace

TEST(SynthEnvelope, RisesToFullOverTheAttack)
{
    const std::vector<float> x = levels(shape, held_for, 2.0);
    EXPECT_EQ(x[0], 0.0f);
    EXPECT_NEAR(first_time(x, 0.0, [](float v) { return v >= 0.999f; }), shape.attack, one_ms);
    EXPECT_NEAR(x[seconds_to_samples(shape.attack / 2)], 0.5f, 0.01f);  // a straight rise
}

TEST(SynthEnvelope, DecaysToTheSustainLevelOverTheDecayTime)
{
    const std::vector<float> x = levels(shape, held_for, 2.0);
    // The part above the sustain level has fallen by 60 dB when the decay time is up.
    const float sixty_db_above = shape.sustain + 0.001f * (1.0f - shape.sustain);
    EXPECT_NEAR(first_time(x, shape.attack, [&](float v) { return v <= sixty_db_above; }),
                shape.attack + shape.decay, one_ms);
    EXPECT_NEAR(x[seconds_to_samples(held_for) - 1], shape.sustain, 1e-4f);
}

TEST(SynthEnvelope, ReleaseFallsSixtyDecibelsOverTheReleaseTime)
{
    const std::vector<float> x = levels(shape, held_for, 2.0);
    const float at_gate = x[seconds_to_samples(held_for)];
    EXPECT_NEAR(at_gate, shape.sustain, 1e-4f);
    EXPECT_NEAR(first_time(x, held_for, [&](float v) { return v <= 0.001f * at_gate; }),
                held_for + shape.release, one_ms);
    EXPECT_NEAR(adsr_length(shape, held_for), held_for + shape.release, 1e-6);
}

TEST(SynthEnvelope, NoteLetGoDuringItsAttackFallsFromWhereItWas)
{
    const float gate = shape.attack / 2;
    const std::vector<float> x = levels(shape, gate, 1.0);
    const std::size_t g = seconds_to_samples(gate);
    EXPECT_NEAR(x[g], 0.5f, 0.01f);
    for (std::size_t i = 1; i < x.size(); ++i)  // no step anywhere: it would click
        ASSERT_LT(std::fabs(x[i] - x[i - 1]), 2.0f / (shape.attack * sample_rate)) << i;
    EXPECT_NEAR(first_time(x, gate, [&](float v) { return v <= 0.001f * x[g]; }), gate + shape.release,
                one_ms);
}

TEST(SynthEnvelope, RenderedLeadNoteStartsOnTimeAndDiesAfterItsRelease)
{
    // The lead's release is 0.2 s.
    constexpr double start = 0.1, gate = 0.5, release = 0.2;
    Mix m = make_mix(seconds_to_samples(1.2));
    play_lead(m, seconds_to_samples(start), 69, static_cast<float>(gate), 1.0f, 1.0f, 0.0f);
    const std::vector<float> &x = m.steady.l;
    auto level = [&](double t) { return rms_db(x, seconds_to_samples(t), seconds_to_samples(t + 0.01)); };
    EXPECT_EQ(rms_db(x, 0, seconds_to_samples(start)), -300.0);  // nothing before the note
    EXPECT_GT(level(start), -40.0);
    const double held = level(start + gate - 0.01);
    EXPECT_GT(held, -30.0);
    EXPECT_NEAR(level(start + gate + release / 2), held - 30.0, 3.0);  // half way down in dB
    EXPECT_LT(level(start + gate + release - 0.01), held - 54.0);
    EXPECT_EQ(rms_db(x, seconds_to_samples(start + gate + release) + 1, x.size()), -300.0);
}
