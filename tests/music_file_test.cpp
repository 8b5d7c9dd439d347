// The soundtrack as the build leaves it: the demo's mixer takes it, it measures up as a master, and
// it follows the demo's scenes.
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "music.h"
#include "song.h"
#include "synth_track.h"

namespace {

std::string output_of(const std::string &command)
{
    std::string out;
    std::FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

const Track &track()
{
    static const Track t = decode(FFMPEG, MUSIC_FILE);
    return t;
}

// A figure from the summary ffmpeg's loudness meter prints, such as "I:" or "Peak:".
double meter_reading(const char *label)
{
    static const std::string report = output_of("'" FFMPEG "' -hide_banner -nostats -i '" MUSIC_FILE
                                                "' -af ebur128=peak=true:framelog=verbose -f null - 2>&1");
    const std::size_t summary = report.find("Summary:");
    const std::size_t at = report.find(label, summary == std::string::npos ? report.size() : summary);
    if (at == std::string::npos)
        return NAN;
    return std::atof(report.c_str() + at + std::string(label).size());
}

}  // namespace

TEST(Soundtrack, LoadsInTheDemosMixer)
{
    const CheckedMusic checked = read_checked_music(MUSIC_FILE);
    EXPECT_EQ(nullptr, checked.refusal) << checked.refusal;
    ASSERT_EQ(0, SDL_Init(SDL_INIT_AUDIO));
    ASSERT_EQ(0, Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096)) << SDL_GetError();
    Mix_Music *music = music_from_memory(checked);
    EXPECT_NE(nullptr, music) << SDL_GetError();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
}

// What the demo's mixer plays, from the start for as long as asked, through SDL's disk driver,
// which writes the sound out faster than real time.
Track played_by_the_mixer(double seconds)
{
    char path[] = "/tmp/mixer-XXXXXX";
    close(mkstemp(path));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path, 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    Track out;
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) != 0)
        return out;
    const CheckedMusic checked = read_checked_music(MUSIC_FILE);
    Mix_Music *music = music_from_memory(checked);
    Mix_PlayMusic(music, 1);
    const auto bytes = static_cast<long>(seconds * 44100) * 4;
    struct stat info = {};
    while (Mix_PlayingMusic() && stat(path, &info) == 0 && info.st_size < bytes)
        SDL_Delay(5);
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
    std::FILE *file = std::fopen(path, "rb");
    for (std::int16_t frame[2]; file && std::fread(frame, sizeof frame, 1, file) == 1;) {
        out.l.push_back(frame[0] / 32768.0f);
        out.r.push_back(frame[1] / 32768.0f);
    }
    if (file)
        std::fclose(file);
    std::remove(path);
    return out;
}

TEST(Soundtrack, TheDemosMixerPlaysWhatFfmpegDecodesAfterWholeBuffersOfSilence)
{
    // ffmpeg's decode is the one the cue tests measure. Without care for lame's delay the mixer would
    // play it 25 to 51 ms later (see tools/synth). It starts the music on one of the device's
    // buffers of 4096 frames, after whole buffers of silence.
    constexpr std::size_t buffer_frames = 4096;
    constexpr double compared_from_s = 8.0, compared_to_s = 9.0;  // the logo's cue
    const Track played = played_by_the_mixer(compared_to_s + 1.0);
    const auto first_sound = [](const Track &t) {
        std::size_t i = 0;
        while (i < t.l.size() && std::fabs(t.l[i]) < 0.02f)
            ++i;
        return i;
    };
    ASSERT_GE(first_sound(played), first_sound(track()));
    const std::size_t gap = first_sound(played) - first_sound(track());
    EXPECT_EQ(0u, gap % buffer_frames) << gap << " frames before the music";

    double signal = 0, difference = 0;
    for (auto i = static_cast<std::size_t>(compared_from_s * 44100); i < compared_to_s * 44100; ++i) {
        signal += double(track().l[i]) * track().l[i];
        difference += std::pow(double(played.l[gap + i]) - track().l[i], 2);
    }
    EXPECT_LT(10 * std::log10(difference / signal), -40.0) << "not the same sound at the same time";
}

TEST(Soundtrack, IsStereoAt44100Hz)
{
    const std::string format = output_of("'" FFPROBE
                                         "' -v error -select_streams a:0 -show_entries "
                                         "stream=sample_rate,channels -of default=nw=1 '" MUSIC_FILE "'");
    EXPECT_EQ("sample_rate=44100\nchannels=2\n", format);
}

TEST(Soundtrack, LastsAtLeast125SecondsAndIsNeverSilentForTenBeforeTheEnd)
{
    std::printf("length %.2f s\n", seconds(track()));
    EXPECT_GE(seconds(track()), 125.0);
    for (double from = 0.0; from + 10.0 <= fade_to_black_s; from += 0.5)
        ASSERT_GT(level_db(track(), from, from + 10.0), -40.0) << "10 s from " << from << " s";
}

TEST(Soundtrack, NeverClipsAndSitsNearMinus14Lufs)
{
    const double lufs = meter_reading("I:"), true_peak = meter_reading("Peak:");
    std::printf("%.1f LUFS, true peak %.1f dBTP, sample peak %.2f dBFS\n", lufs, true_peak,
                peak_db(track(), 0.0, seconds(track())));
    EXPECT_LT(peak_db(track(), 0.0, seconds(track())), 0.0);
    EXPECT_LT(true_peak, -1.0);
    EXPECT_NEAR(lufs, -14.0, 1.0);
}

TEST(Soundtrack, BandsAreBalancedTheLowsMonoAndNoDcOffset)
{
    const Spectrum s = spectrum(track(), 0.0, demo_end_s);
    std::printf("energy 20-60 Hz %.1f %%, 60-250 %.1f %%, 250-2k %.1f %%, 2k-6k %.1f %%, 6k-20k %.1f %%; "
                "L/R correlation under 150 Hz %.3f\n",
                100 * s.share[0], 100 * s.share[1], 100 * s.share[2], 100 * s.share[3], 100 * s.share[4],
                s.low_correlation);
    EXPECT_GE(s.share[2], 0.15);
    EXPECT_GE(s.share[3] + s.share[4], 0.04);
    EXPECT_GE(s.low_correlation, 0.98);
    for (const Scene &scene : scenes) {
        std::printf("%-10s DC %6.1f dBFS\n", scene.name, dc_db(track(), scene.from, scene.to));
        EXPECT_LT(dc_db(track(), scene.from, scene.to), -60.0) << scene.name;
    }
}

TEST(Soundtrack, WidensAfterTheIntroAndMostInTheStarfield)
{
    for (const Scene &scene : scenes) {
        const double width = side_to_mid_db(track(), scene.from, scene.to);
        std::printf("%-10s side/mid %6.1f dB; L/R correlation under 150 Hz %.3f\n", scene.name, width,
                    spectrum(track(), scene.from, scene.to).low_correlation);
        const double narrowest = scene.from == 0.0 ? -300.0 : std::string(scene.name) == "starfield" ? -10.0 : -13.0;
        EXPECT_GE(width, narrowest) << scene.name;
    }
}

TEST(Soundtrack, EachCutAndTheWarpFlashLandOnAnOnset)
{
    // The strongest onset within a quarter of a second, so that a kick on the beat next to the cut
    // does not count, and a clear one: 6 dB over the 50 ms before it.
    std::vector<double> cues = {warp_flash_s};
    for (const Scene &scene : scenes)
        if (scene.from > 0.0)
            cues.push_back(scene.from);
    for (double cut : cues) {
        const Onset o = strongest_onset(track(), cut, 0.25);
        std::printf("cut %6.2f s: onset %+5.0f ms, rising %.1f dB\n", cut, 1000.0 * (o.at - cut), o.rise_db);
        EXPECT_NEAR(o.at, cut, 0.020) << "cut at " << cut << " s";
        EXPECT_GE(o.rise_db, 6.0) << "cut at " << cut << " s";
    }
}

TEST(Soundtrack, RepeatsFewBarsAndNoneInTheCredits)
{
    const std::vector<double> bars = bar_starts();
    const int repeats = repeated_bars(track(), bars, 0.0), in_credits = repeated_bars(track(), bars, scenes[6].from);
    std::printf("%d of %zu bars repeat an earlier bar, %d of them in the credits\n", repeats, bars.size() - 1,
                in_credits);
    EXPECT_LE(repeats, 10);
    EXPECT_EQ(0, in_credits);
}

TEST(Soundtrack, EndsOnTheTonicAsThePictureFadesAndDiesAwayBeforeTheDemoEnds)
{
    const Onset hit = strongest_onset(track(), (fade_to_black_s + black_s) / 2, (black_s - fade_to_black_s) / 2);
    const int bass = loudest_pitch(track(), hit.at + 0.5, 40.0, 250.0).pitch_class,
              tune = loudest_pitch(track(), hit.at + 0.5, 250.0, 4200.0).pitch_class;
    const double tail = peak_db(track(), demo_end_s, seconds(track()));
    std::printf("closing hit at %.3f s rising %.1f dB, pitch classes %d in the bass and %d above; "
                "peak after %.1f s %.1f dBFS\n", hit.at, hit.rise_db, bass, tune, demo_end_s, tail);
    EXPECT_GE(hit.rise_db, 6.0);
    EXPECT_EQ(9, bass);  // A, the tonic
    EXPECT_EQ(9, tune);
    EXPECT_LT(tail, -60.0);
}
