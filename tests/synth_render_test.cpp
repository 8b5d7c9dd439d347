// The build's synthesizer program: the same source renders the same samples every time, and the
// stems it renders alone show how each voice sits in the mix and how the tunes develop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "mp3_fixtures.h"
#include "song.h"
#include "synth_track.h"

namespace {

const std::string stems = STEM_DIR;
constexpr Stem melodic[] = {Stem::lead, Stem::bell, Stem::arp};  // the voices that can carry a tune
constexpr Stem tunes[] = {Stem::lead, Stem::bell};               // and those whose tunes are counted

std::vector<unsigned char> bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<unsigned char> &b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

Track stem(const std::string &name) { return decode(FFMPEG, stems + "/" + name + ".wav"); }
Track stem(Stem s) { return stem(stem_names[static_cast<int>(s)]); }

double energy(const Track &t, double from, double to) { return std::pow(10.0, level_db(t, from, to) / 10.0) * (to - from); }

// A voice's level against the mix's over the bars of [from, to) in which it plays, that is, comes
// within 30 dB of the mix.
struct Weighed {
    double db;
    int bars;
};
Weighed against_mix(const Track &voice, const Track &mix, double from, double to)
{
    const std::vector<double> bars = bar_starts();
    double v = 0.0, m = 0.0;
    int playing = 0;
    for (std::size_t b = 0; b + 1 < bars.size(); ++b) {
        const double a = std::max(bars[b], from), z = std::min(bars[b + 1], to);
        if (z <= a)
            continue;
        const double ev = energy(voice, a, z), em = energy(mix, a, z);
        if (ev > em / 1000.0) {
            v += ev, m += em, ++playing;
        }
    }
    return {playing ? 10.0 * std::log10(v / m) : -300.0, playing};
}

// Where a riser stops: its top end drops 10 dB or more from one 5 ms frame to the next.
std::vector<double> riser_ends(const Track &fx)
{
    constexpr double frame = 0.005;
    const Track top = highpassed(fx, 4000.0);
    std::vector<double> level;
    for (std::size_t k = 0; (k + 1) * frame < seconds(top); ++k)
        level.push_back(level_db(top, k * frame, (k + 1) * frame));
    const double loudest = *std::max_element(level.begin(), level.end());
    std::vector<double> ends;
    for (std::size_t k = 0; k + 1 < level.size(); ++k)
        if (level[k] > loudest - 30.0 && level[k] - level[k + 1] >= 10.0)
            ends.push_back((k + 1) * frame);
    return ends;
}

// The drums' level on each sixteenth of the bar, in dB, over the bars of a scene: its groove.
std::array<double, 16> groove(const Track &drums, const Scene &scene)
{
    const std::vector<double> bars = bar_starts();
    std::array<double, 16> energy{};
    for (std::size_t b = 0; b + 1 < bars.size(); ++b) {
        const double step = (bars[b + 1] - bars[b]) / 16.0;
        for (int s = 0; bars[b] >= scene.from - 0.01 && bars[b + 1] <= scene.to + 0.01 && s < 16; ++s)
            energy[s] += std::pow(10.0, level_db(drums, bars[b] + s * step, bars[b] + (s + 0.5) * step) / 10.0);
    }
    for (double &e : energy)
        e = 10.0 * std::log10(e + 1e-9);  // a silent step counts as -90 dB, far under any hit
    return energy;
}

double correlation(const std::array<double, 16> &a, const std::array<double, 16> &b)
{
    double ma = 0.0, mb = 0.0, ab = 0.0, aa = 0.0, bb = 0.0;
    for (int s = 0; s < 16; ++s)
        ma += a[s] / 16.0, mb += b[s] / 16.0;
    for (int s = 0; s < 16; ++s)
        ab += (a[s] - ma) * (b[s] - mb), aa += (a[s] - ma) * (a[s] - ma), bb += (b[s] - mb) * (b[s] - mb);
    return ab / std::sqrt(aa * bb + 1e-30);
}

// Chord loops the bass plays, from its spectrum in each bar: four bars whose roots come back to the
// first on the fifth, told apart by their steps, whatever the key and whichever bar comes first,
// and heard more than once.
int chord_loops(const std::vector<std::vector<double>> &bass_bars)
{
    std::vector<int> root;
    for (const std::vector<double> &bar : bass_bars)
        root.push_back(band_power(bar, 20, 1000) > 0.0 ? pitch_class(peak_hz(bar, 30.0, 130.0)) : -1);
    std::map<std::array<int, 4>, int> loops;
    for (std::size_t b = 0; b + 4 < root.size(); ++b) {
        if (root[b] < 0 || root[b + 4] != root[b] || std::count(&root[b], &root[b + 4], -1))
            continue;
        std::array<int, 4> steps, first;
        for (int k = 0; k < 4; ++k)
            steps[k] = (root[b + k + 1] - root[b + k] + 12) % 12;
        first = steps;
        for (int k = 1; k < 4; ++k) {
            std::rotate(steps.begin(), steps.begin() + 1, steps.end());
            first = std::min(first, steps);
        }
        if (first != std::array<int, 4>{})
            ++loops[first];
    }
    return static_cast<int>(std::count_if(loops.begin(), loops.end(), [](const auto &l) { return l.second > 1; }));
}

// A figure of the mix, what it measures and the range it must fall in.
struct Figure {
    std::string name;
    double measured, low, high;
};

}  // namespace

TEST(SynthProgram, WritesTheSameWavOnEveryRun)
{
    // The build rendered the mix beside its stems; this run renders it again.
    const std::string dir = make_temp_dir(), path = dir + "/again.wav";
    const std::string command = std::string("'" SYNTH_EXECUTABLE "' '") + path + "' > /dev/null";
    ASSERT_EQ(0, std::system(command.c_str()));
    const std::vector<unsigned char> first = bytes(stems + "/mix.wav"), second = bytes(path);
    std::remove(path.c_str());
    rmdir(dir.c_str());
    ASSERT_GT(first.size(), 44u);
    EXPECT_TRUE(first == second);
    // 16-bit stereo at 44.1 kHz, every sample accounted for in the header.
    EXPECT_EQ(44100u, le32(first, 24));
    EXPECT_EQ(2, first[22]);
    EXPECT_EQ(16, first[34]);
    EXPECT_EQ(first.size() - 44, le32(first, 40));
    EXPECT_GE((first.size() - 44) / 4.0 / 44100.0, 125.0);
}

TEST(SynthStems, AddUpToTheMixAndKeepTheBassMono)
{
    const Track mix = stem("mix");
    Track sum{std::vector<float>(mix.l.size()), std::vector<float>(mix.r.size())};
    for (const char *name : stem_names) {
        const Track s = stem(name);
        ASSERT_EQ(s.l.size(), mix.l.size()) << name;
        for (std::size_t i = 0; i < s.l.size(); ++i) {
            sum.l[i] += s.l[i] - mix.l[i] / stem_count;
            sum.r[i] += s.r[i] - mix.r[i] / stem_count;
        }
    }
    // What is left is the rounding of each to 16 bits.
    const double residue = level_db(sum, 0.0, demo_end_s) - level_db(mix, 0.0, demo_end_s);
    std::printf("stems - mix: %.1f dB under the mix\n", -residue);
    EXPECT_LT(residue, -60.0);
    EXPECT_LT(side_to_mid_db(stem("bass"), 0.0, demo_end_s), -60.0);
}

TEST(SynthStems, TheTuneSitsWithinSixDecibelsOfTheMix)
{
    const Track mix = stem("mix");
    std::vector<Track> voices;
    std::printf("%-10s", "dB vs mix");
    for (int i = 0; i < stem_count; ++i) {
        voices.push_back(stem(static_cast<Stem>(i)));
        std::printf("%12s", stem_names[i]);
    }
    std::printf("\n");
    for (const Scene &scene : scenes) {
        std::vector<Weighed> w;
        std::printf("%-10s", scene.name);
        for (const Track &voice : voices) {
            w.push_back(against_mix(voice, mix, scene.from, std::min(scene.to, fade_to_black_s)));
            if (w.back().bars) {
                std::printf("%7.1f (%2d)", w.back().db, w.back().bars);
            } else {
                std::printf("%12s", "-");
            }
        }
        std::printf("\n");
        const Weighed lead = w[static_cast<int>(Stem::lead)];
        EXPECT_TRUE(!lead.bars || lead.db >= -6.0) << "lead in the " << scene.name;
        double tune = -300.0;
        for (Stem s : melodic)
            tune = std::max(tune, w[static_cast<int>(s)].db);
        EXPECT_GE(tune, -6.0) << "the loudest tune in the " << scene.name;
    }
}

TEST(SynthStems, TheTunesDevelop)
{
    const std::vector<double> bars = bar_starts();
    const Track mix = stem("mix");
    // A bar brings a new tune where a voice that is not a mere tail (within 20 dB of the mix) plays
    // a tune no voice has played before.
    std::vector<BarMelody> known;
    std::vector<bool> fresh(bars.size() - 1, false);
    int distinct = 0;
    std::vector<Track> voices;
    for (Stem s : tunes)
        voices.push_back(stem(s));
    for (std::size_t b = 0; b + 1 < bars.size(); ++b)
        for (const Track &voice : voices) {
            const BarMelody tune = bar_melody(voice, bars[b], bars[b + 1]);
            if (level_db(voice, bars[b], bars[b + 1]) < level_db(mix, bars[b], bars[b + 1]) - 20.0 ||
                std::count(tune.begin(), tune.end(), -1) > 12)
                continue;
            bool seen = false;
            for (const BarMelody &k : known)
                seen = seen || same_tune(k, tune);
            if (!seen) {
                fresh[b] = true;
                ++distinct;
                known.push_back(tune);
            }
        }
    std::printf("distinct bars of melody: %d; bars bringing one:", distinct);
    for (std::size_t b = 0; b < fresh.size(); ++b)
        if (fresh[b])
            std::printf(" %.1f", bars[b]);
    std::printf("\n");
    EXPECT_GE(distinct, 24);
    // The starfield brings a new tune, or drops or rises by 6 dB, at least every eight bars.
    int since = 0;
    for (std::size_t b = 1; b + 1 < bars.size(); ++b) {
        if (bars[b] < scenes[4].from || bars[b] >= warp_flash_s)
            continue;
        const double step = level_db(mix, bars[b], bars[b + 1]) - level_db(mix, bars[b - 1], bars[b]);
        since = fresh[b] || std::fabs(step) >= 6.0 ? 0 : since + 1;
        EXPECT_LT(since, 8) << "nothing new for eight bars up to " << bars[b] << " s";
    }
}

TEST(SynthStems, MeasureUpAsAJuryHearsThem)
{
    const Track mix = stem("mix"), drums = stem(Stem::drums), bass = stem(Stem::bass);
    std::vector<Figure> f;
    auto at_least = [&f](std::string name, double v, double low) { f.push_back({std::move(name), v, low, INFINITY}); };
    auto at_most = [&f](std::string name, double v, double high) { f.push_back({std::move(name), v, -INFINITY, high}); };
    auto exactly = [&f](std::string name, double v, double want) { f.push_back({std::move(name), v, want, want}); };
    auto s = [](double v) { return std::to_string(v).substr(0, std::to_string(v).find('.') + 3); };

    // Hits: the top end leaps at every cut, the warp and the closing hit, and where a riser ends.
    const Track top = highpassed(mix, 4000.0);
    auto lift = [&top](double t) { return level_db(top, t, t + 0.05) - level_db(top, t - 0.05, t); };
    std::vector<double> hits = {warp_flash_s, fade_to_black_s};
    for (const Scene &scene : scenes)
        if (scene.from > 0.0)
            hits.push_back(scene.from);
    std::sort(hits.begin(), hits.end());
    for (double hit : hits)
        at_least("top end over the 50 ms before, at " + s(hit) + " s, dB", lift(hit), 3.0);
    int bare = 0;
    for (double end : riser_ends(stem(Stem::fx)))
        bare += lift(end) < 3.0;
    at_most("risers that end without such a hit", bare, 0);

    // Balance, on the mid signal.
    const std::vector<double> p = mid_power(mix, 0.0, demo_end_s);
    at_most("mid energy under 250 Hz, %", 100.0 * band_power(p, 20, 250) / band_power(p, 20, 20000), 55.0);
    auto per_octave = [&p](double lo, double hi) { return band_power(p, lo, hi) / std::log2(hi / lo); };
    at_least("250-400 Hz against the octaves beside it, dB per octave",
             10.0 * std::log10(per_octave(250, 400) / std::sqrt(per_octave(160, 250) * per_octave(400, 630))), -1.5);
    std::vector<std::vector<double>> bass_bars;
    std::vector<double> low_notes(p.size(), 0.0);  // the bass in bars whose note lies under 60 Hz
    const std::vector<double> bars = bar_starts();
    for (std::size_t b = 0; b + 1 < bars.size(); ++b) {
        bass_bars.push_back(mid_power(bass, bars[b], bars[b + 1]));
        for (std::size_t k = 0; peak_hz(bass_bars.back(), 30.0, 130.0) < 60.0 && k < p.size(); ++k)
            low_notes[k] += bass_bars.back()[k];
    }
    at_least("notes under 60 Hz: bass energy 150 Hz - 1 kHz, %",
             100.0 * band_power(low_notes, 150, 1000) / band_power(low_notes, 20, 1000), 30.0);

    // The intro, and width that a mono sum keeps.
    const double intro = loudness(mix, 0.0, scenes[1].from, false);
    at_least("intro, LUFS", intro, -23.0);
    at_least("intro under the body, LU", loudness(mix, scenes[1].from, fade_to_black_s, false) - intro, 4.0);
    for (const Scene &scene : scenes)
        at_most("mono-sum loss, " + std::string(scene.name) + ", LU",
                loudness(mix, scene.from, scene.to, false) - loudness(mix, scene.from, scene.to, true), 1.0);
    const Track lead = stem(Stem::lead);
    at_most("mono-sum loss of the lead, LU", loudness(lead, 0, demo_end_s, false) - loudness(lead, 0, demo_end_s, true), 1.0);

    // Arrangement and harmony: grooves, chord loops, the keys and the kick.
    for (std::size_t i = 2; i < std::size(scenes); ++i)
        at_most(std::string("groove alike, ") + scenes[i - 1].name + " and " + scenes[i].name + " (correlation)",
                correlation(groove(drums, scenes[i - 1]), groove(drums, scenes[i])), 0.8);
    at_least("chord loops, whatever their key", chord_loops(bass_bars), 3);
    for (const Scene &scene : {scenes[4], scenes[5], scenes[6]}) {
        const std::array<double, 12> pc = chroma(mid_power(mix, scene.from, scene.to), 130, 4000);
        const double outside = 100.0 * (pc[1] + pc[3] + pc[6] + pc[10]);  // C#, D#, F#, A#
        if (scene.from == scenes[4].from)
            at_least("pitch classes outside A minor, starfield, %", outside, 20.0);
        else
            at_most("pitch classes outside A minor, " + std::string(scene.name) + ", %", outside, 8.0);
    }
    exactly("kick's tail in the logo, pitch class (A)", loudest_pitch(drums, scenes[1].from + 0.2, 30, 120).pitch_class, 9);
    exactly("kick's tail in the starfield, pitch class (C)", loudest_pitch(drums, scenes[4].from + 0.2, 30, 120).pitch_class, 0);

    std::printf("%-64s %9s  %s\n", "figure", "measured", "bound");
    for (const Figure &x : f) {
        const std::string bound = x.low == x.high ? "= " + s(x.low) : x.high == INFINITY ? ">= " + s(x.low) : "<= " + s(x.high);
        std::printf("%-64s %9.2f  %s\n", x.name.c_str(), x.measured, bound.c_str());
        EXPECT_TRUE(x.measured >= x.low && x.measured <= x.high) << x.name << ": " << x.measured;
    }
}
