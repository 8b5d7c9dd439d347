#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
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

std::string refusal_of(const std::string &path)
{
    const CheckedMusic music = read_checked_music(path.c_str());
    EXPECT_NE(!music.refusal, !music.bytes) << "bytes to play, or why not";
    return music.refusal ? music.refusal : "";
}

std::string bytes_of(const CheckedMusic &music) { return std::string(music.bytes, music.bytes + music.size); }

TEST_F(MusicFiles, OnlyStereoAt44100HzUpTo64MibIsPlayable)
{
    const std::string ok = tone("ok.mp3", 44100, 2);
    EXPECT_EQ("", refusal_of(ok));
    EXPECT_TRUE(read_bytes(ok) == bytes_of(read_checked_music(ok.c_str())));

    const std::string huge = dir + "/huge.mp3";
    std::ofstream(huge).close();
    ASSERT_EQ(0, truncate(huge.c_str(), 20LL << 30));  // sparse: refused before a byte is read
    const std::string refusals[][2] = {
        {tone("48k.mp3", 48000, 2), "has a 48000 Hz stereo frame"},
        {tone("22k.mp3", 22050, 2), "has a 22050 Hz stereo frame"},
        {tone("mono.mp3", 44100, 1), "has a 44100 Hz mono frame"},
        {dir + "/missing.mp3", "could not be opened: No such file or directory"},
        {huge, "is larger than 64 MiB, the most a music file may hold"},
    };
    for (const auto &[path, described] : refusals) {
        const std::string why = refusal_of(path);
        EXPECT_EQ(0u, why.find(path + " " + described)) << why;
    }
}

TEST_F(MusicFiles, LeadingId3TagIsSkippedBeforeTheFirstFrame)
{
    EXPECT_EQ("", refusal_of(tone("tagged.mp3", 44100, 2, true)));
    EXPECT_NE("", refusal_of(tone("tagged48.mp3", 48000, 2, true)));
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
    EXPECT_EQ("", refusal_of(path));

    write_bytes(path, file + read_bytes(tone("48k.mp3", 48000, 2)));
    EXPECT_EQ(path + " has a 48000 Hz stereo frame at byte " + std::to_string(file.size()) +
                  "; only 44100 Hz stereo plays safely",
              refusal_of(path));
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
    // Zeros before the first frame: the mixer must not guess the kind from the first bytes.
    write_bytes("tapestrybeats.mp3", std::string(5000, '\0') + read_bytes(tone("ok.mp3", 44100, 2)));
    testing::internal::CaptureStdout();
    Mix_Music *music = load_music();
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_NE(nullptr, music);
    Mix_FreeMusic(music);
}

TEST_F(MusicLoading, NothingPlayableGivesOneLineWithEachNamesReason)
{
    tone("data/tapestrybeats.mp3", 22050, 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(nullptr, load_music());
    EXPECT_EQ("Mix_LoadMUS(): data/tapestrybeats.mp3 has a 22050 Hz mono frame at byte 0; only 44100 Hz stereo "
              "plays safely; tapestrybeats.mp3 could not be opened: No such file or directory\n",
              testing::internal::GetCapturedStdout());
}

}  // namespace
