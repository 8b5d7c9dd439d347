// The soundtrack as the build leaves it: the demo's mixer takes it, and it measures up.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "music.h"

namespace {

constexpr int rate = 44100;
constexpr double first_part_s = 0.5;                        // where the demo's first part starts in the track
constexpr double fade_from_s = first_part_s + 121.3 - 5.0;  // the credits fade out over the last 5 s

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

// Left and right averaged, as 16-bit samples decoded by ffmpeg at the file's own rate.
const std::vector<std::int16_t> &decoded()
{
    static const std::vector<std::int16_t> samples = [] {
        const std::string raw = output_of("'" FFMPEG "' -v error -i '" MUSIC_FILE "' -f s16le -");
        std::vector<std::int16_t> s(raw.size() / 2);
        std::copy(raw.data(), raw.data() + 2 * s.size(), reinterpret_cast<char *>(s.data()));
        return s;
    }();
    return samples;
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
    EXPECT_EQ(nullptr, unplayable_reason(MUSIC_FILE));
    ASSERT_EQ(0, SDL_Init(SDL_INIT_AUDIO));
    ASSERT_EQ(0, Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096)) << SDL_GetError();
    Mix_Music *music = Mix_LoadMUS(MUSIC_FILE);
    EXPECT_NE(nullptr, music) << SDL_GetError();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
}

TEST(Soundtrack, IsStereoAt44100Hz)
{
    const std::string format = output_of("'" FFPROBE
                                         "' -v error -select_streams a:0 -show_entries "
                                         "stream=sample_rate,channels -of default=nw=1 '" MUSIC_FILE "'");
    EXPECT_EQ("sample_rate=44100\nchannels=2\n", format);
}

TEST(Soundtrack, LastsAtLeast125Seconds) { EXPECT_GE(decoded().size() / 2.0 / rate, 125.0); }

TEST(Soundtrack, NoTenSecondsAreSilentBeforeTheFade)
{
    const std::vector<std::int16_t> &s = decoded();
    const std::size_t window = 10 * rate, step = rate / 2;
    for (std::size_t from = 0; (from + window) / double(rate) <= fade_from_s; from += step) {
        double sum = 0.0;
        for (std::size_t i = 2 * from; i < 2 * (from + window) && i < s.size(); ++i)
            sum += double(s[i]) * s[i];
        const double rms_db = 10.0 * std::log10(sum / (2.0 * window) + 1e-9) - 20.0 * std::log10(32768.0);
        ASSERT_GT(rms_db, -40.0) << "10 s from " << from / double(rate) << " s";
    }
}

TEST(Soundtrack, NeverClips)
{
    for (std::int16_t v : decoded())
        ASSERT_TRUE(v > -32768 && v < 32767);
    EXPECT_LT(meter_reading("Peak:"), -1.0);  // true peak, dBFS
}

TEST(Soundtrack, IntegratedLoudnessIsNearMinus14Lufs) { EXPECT_NEAR(meter_reading("I:"), -14.0, 2.0); }
