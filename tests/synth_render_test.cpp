// The build's synthesizer program: the same source renders the same samples every time, and the
// stems it renders alone show how each voice sits in the mix and how the tunes develop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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
