// The oscillators and the instruments built on them play the pitch they are asked for.
#include <gtest/gtest.h>

#include <cmath>

#include "osc.h"
#include "synth_probe.h"
#include "voices.h"

namespace {

using Wave = float (*)(Osc &, float);

std::vector<float> render(Wave wave, float hz, double seconds)
{
    Osc o;
    std::vector<float> x(seconds_to_samples(seconds));
    for (float &v : x)
        v = wave(o, hz);
    return x;
}

// Sum of both sides of the buses a note was played into.
std::vector<float> mono(const Mix &m)
{
    std::vector<float> x(m.duck.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = m.steady.l[i] + m.steady.r[i] + m.pumped.l[i] + m.pumped.r[i];
    return x;
}

}  // namespace

TEST(SynthOscillator, SineSawAndSquareRunAtTheFrequencyAsked)
{
    for (Wave wave : {osc_sine, osc_saw, osc_square}) {
        for (float hz : {55.0f, 440.0f, 3520.0f}) {
            SCOPED_TRACE(hz);
            EXPECT_NEAR(crossing_hz(render(wave, hz, 1.0)), hz, hz * 1e-4);
        }
    }
}

TEST(SynthOscillator, NotesAreEqualTemperedAroundA440)
{
    // Reference pitches of the equal-tempered scale.
    const std::pair<int, double> notes[] = {
        {33, 55.0}, {57, 220.0}, {60, 261.626}, {69, 440.0}, {76, 659.255}};
    for (const auto &[note, hz] : notes) {
        SCOPED_TRACE(note);
        EXPECT_NEAR(crossing_hz(render(osc_sine, note_hz(static_cast<float>(note)), 1.0)), hz, hz * 1e-4);
    }
}

TEST(SynthVoices, PitchedInstrumentsSoundTheNotePlayed)
{
    struct Case {
        const char *name;
        int note;
        void (*play)(Mix &, int);
    };
    const Case cases[] = {
        {"bass", 33, [](Mix &m, int n) { play_bass(m, 0, n, 0.4f, 1.0f, 0.5f); }},
        {"pluck", 69, [](Mix &m, int n) { play_pluck(m, 0, n, 0.4f, 1.0f, 0.5f, 0.0f); }},
        {"lead", 76, [](Mix &m, int n) { play_lead(m, 0, n, 0.4f, 1.0f, 0.5f, 0.0f); }},
        {"bell", 81, [](Mix &m, int n) { play_bell(m, 0, n, 1.0f); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Mix m = make_mix(seconds_to_samples(0.5));
        c.play(m, c.note);
        const std::vector<float> x = mono(m);
        const double hz = 440.0 * std::pow(2.0, (c.note - 69) / 12.0);
        // Before the lead's vibrato sets in. A sixth of a semitone leaves room for the slight glide of
        // a note whose filter closes, and none for a wrong note.
        EXPECT_NEAR(pitch_hz(x, seconds_to_samples(0.02), seconds_to_samples(0.24)), hz, hz * 0.01);
    }
}

TEST(SynthVoices, PadSoundsEveryNoteOfItsChord)
{
    // A chord of A3 and E4 alone repeats every period of A2, an octave under its lowest note.
    Mix m = make_mix(seconds_to_samples(1.5));
    play_pad(m, 0, {57, 64, 57, 64}, 1.0f, 1.0f, 1.0f, 0.5f);
    const std::vector<float> x = mono(m);
    EXPECT_NEAR(pitch_hz(x, seconds_to_samples(0.5), seconds_to_samples(0.9)), 110.0, 1.5);
}
