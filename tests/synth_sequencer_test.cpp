// Pattern notation and step timing; the timing is checked where kicks land in rendered audio.
#include <gtest/gtest.h>

#include <cmath>

#include "sequencer.h"
#include "voices.h"

namespace {

// Samples at which sound starts after at least 20 ms under the threshold.
std::vector<std::size_t> onsets(const std::vector<float> &x, float threshold)
{
    std::vector<std::size_t> found;
    const std::size_t quiet_needed = seconds_to_samples(0.02);
    std::size_t quiet = quiet_needed;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::fabs(x[i]) < threshold) {
            ++quiet;
            continue;
        }
        if (quiet >= quiet_needed)
            found.push_back(i);
        quiet = 0;
    }
    return found;
}

}  // namespace

TEST(SynthPattern, NotesHoldThroughDashesAndRestOnDots)
{
    const std::vector<Hit> hits = pattern_hits("x--.o-9.", 8);
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].step, 0);
    EXPECT_EQ(hits[0].length, 3);
    EXPECT_EQ(hits[0].symbol, 'x');
    EXPECT_EQ(hits[1].step, 4);
    EXPECT_EQ(hits[1].length, 2);
    EXPECT_EQ(hits[1].symbol, 'o');
    EXPECT_EQ(hits[2].step, 6);
    EXPECT_EQ(hits[2].length, 1);
}

TEST(SynthPattern, RepeatsToFillTheSectionAndCountsItsNotes)
{
    const std::vector<Hit> hits = pattern_hits("x.x-", 10);
    ASSERT_EQ(hits.size(), 5u);
    const int steps[] = {0, 2, 4, 6, 8};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(hits[i].step, steps[i]);
        EXPECT_EQ(hits[i].index, i);
    }
    EXPECT_EQ(hits[1].length, 2);
}

TEST(SynthPattern, HoldsAcrossTheRepeatButNotPastTheSectionEnd)
{
    const std::vector<Hit> wrapped = pattern_hits("-.x-", 8);  // the leading dash holds the note before
    ASSERT_EQ(wrapped.size(), 2u);
    EXPECT_EQ(wrapped[0].length, 3);
    EXPECT_EQ(wrapped[1].length, 2);  // cut by the end of the section
    EXPECT_TRUE(pattern_hits("....", 16).empty());
}

TEST(SynthPattern, NoteNamesAreMidiNumbers)
{
    const std::vector<int> notes = parse_notes("A4 C#5  C4 B3 a1");
    EXPECT_EQ(notes, (std::vector<int>{69, 73, 60, 59, 33}));
}

TEST(SynthStepTiming, KicksLandOnTheBeatsOfTheTempoMap)
{
    // Two bars at 120 bpm, two bars pressed into 3.5 s, and that tempo held after the last mark.
    constexpr TempoMark map[] = {{0, 0.0}, {8, 4.0}, {16, 7.5}};
    constexpr int beats = 20;
    Mix m = make_mix(seconds_to_samples(9.5));
    for (const Hit &h : pattern_hits("x...x...x...x...", beats * steps_per_beat))
        play_kick(m, beat_sample(map, 3, static_cast<double>(h.step) / steps_per_beat), velocity(h.symbol), 55.0f);
    const std::vector<std::size_t> heard = onsets(m.steady.l, 0.01f);
    ASSERT_EQ(heard.size(), std::size_t(beats));
    for (int beat = 0; beat < beats; ++beat) {
        const double seconds = beat < 8 ? 0.5 * beat : 4.0 + (beat - 8) * 3.5 / 8.0;
        EXPECT_NEAR(static_cast<double>(heard[beat]), seconds * sample_rate, 1.0) << "beat " << beat;
    }
}
