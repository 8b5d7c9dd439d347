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

TEST_F(MusicFiles, FilesWithoutAnyFrameAreLeftToTheMixer)
{
    const std::string empty = dir + "/empty.mp3";
    std::fclose(std::fopen(empty.c_str(), "wb"));
    EXPECT_EQ(nullptr, unplayable_reason(empty.c_str()));
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
    EXPECT_EQ("Mix_LoadMUS(): data/tapestrybeats.mp3 is 22050 Hz mono; only 44100 Hz stereo plays safely\n",
              testing::internal::GetCapturedStdout());
}

}  // namespace
