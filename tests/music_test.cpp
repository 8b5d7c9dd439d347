#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <SDL.h>
#include <gtest/gtest.h>

#include "mp3_fixtures.h"
#include "music.h"

namespace {

class MusicFiles : public testing::Test {
protected:
    std::string dir = make_temp_dir();

    std::string tone(const std::string &name, int rate, int channels, bool id3 = false)
    {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(write_tone_mp3(path, rate, channels, id3)) << "lame could not make " << path;
        return path;
    }
};

TEST_F(MusicFiles, OnlyStereoAt44100HzIsPlayable)
{
    EXPECT_EQ(nullptr, unplayable_reason(tone("ok.mp3", 44100, 2).c_str()));
    const std::string refusals[][2] = {
        {tone("48k.mp3", 48000, 2), "48000 Hz stereo"},
        {tone("22k.mp3", 22050, 2), "22050 Hz stereo"},
        {tone("mono.mp3", 44100, 1), "44100 Hz mono"},
    };
    for (const auto &[path, described] : refusals) {
        const char *reason = unplayable_reason(path.c_str());
        ASSERT_NE(nullptr, reason) << path;
        EXPECT_NE(std::string::npos, std::string(reason).find(described)) << reason;
    }
}

TEST_F(MusicFiles, LeadingId3TagIsSkippedBeforeTheFirstFrame)
{
    EXPECT_EQ(nullptr, unplayable_reason(tone("tagged.mp3", 44100, 2, true).c_str()));
    EXPECT_NE(nullptr, unplayable_reason(tone("tagged48.mp3", 48000, 2, true).c_str()));
}

TEST_F(MusicFiles, EveryFrameIsCheckedAcrossTheReadsNotOnlyTheFirst)
{
    // Eight good tones make a file several read pieces long; a 48 kHz tone
    // after them must still be found, at the byte where it starts.
    const std::string good = read_bytes(tone("ok.mp3", 44100, 2));
    std::string file;
    for (int i = 0; i < 8; ++i)
        file += good;
    const std::string path = dir + "/long.mp3";
    write_bytes(path, file);
    EXPECT_EQ(nullptr, unplayable_reason(path.c_str()));

    write_bytes(path, file + read_bytes(tone("48k.mp3", 48000, 2)));
    const char *reason = unplayable_reason(path.c_str());
    ASSERT_NE(nullptr, reason);
    EXPECT_EQ(path + " has a 48000 Hz stereo frame at byte " + std::to_string(file.size()) +
                  "; only 44100 Hz stereo plays safely",
              reason);
}

TEST_F(MusicFiles, FileThatCannotBeOpenedIsLeftToTheMixerToReport)
{
    EXPECT_EQ(nullptr, unplayable_reason((dir + "/missing.mp3").c_str()));
}

class MusicLoading : public MusicFiles {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_AUDIO));
        ASSERT_EQ(0, Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096)) << SDL_GetError();
        mkdir((dir + "/data").c_str(), 0755);
        ASSERT_EQ(0, chdir(dir.c_str()));
    }
    void TearDown() override
    {
        Mix_CloseAudio();
        SDL_Quit();
    }
};

TEST_F(MusicLoading, RefusedFirstChoiceFallsBackToTheWorkingDirectory)
{
    tone("data/tapestrybeats.mp3", 48000, 2);
    tone("tapestrybeats.mp3", 44100, 2);
    testing::internal::CaptureStdout();
    Mix_Music *music = load_music();
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_NE(nullptr, music);
    Mix_FreeMusic(music);
}

TEST_F(MusicLoading, NothingPlayableGivesOneLineWithTheReason)
{
    tone("data/tapestrybeats.mp3", 22050, 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(nullptr, load_music());
    EXPECT_EQ("Mix_LoadMUS(): data/tapestrybeats.mp3 has a 22050 Hz mono frame at byte 0; only 44100 Hz stereo "
              "plays safely\n",
              testing::internal::GetCapturedStdout());
}

}  // namespace
