#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "mp3_fixtures.h"
#include "spawn.h"

namespace {

// Long enough for start-up to have installed SDL's signal handling.
constexpr int settle_ms = 3000;
constexpr int hung_after_ms = 20000;

Spawned run_demo(const SpawnOptions &options) { return spawn({DEMO_EXECUTABLE}, options); }

class DemoExecutable : public testing::Test {
protected:
    std::string dir = make_temp_dir();

    SpawnOptions in_dir()
    {
        SpawnOptions options;
        options.directory = dir;
        options.kill_after_ms = hung_after_ms;
        return options;
    }

    SpawnOptions quit_after_a_while(int signal)
    {
        SpawnOptions options = in_dir();
        options.signal = signal;
        options.signal_after_ms = settle_ms;
        return options;
    }
};

TEST_F(DemoExecutable, NoMusicUnderEitherNameRunsSilentlyAndQuitsCleanlyOnTerm)
{
    const Spawned run = run_demo(quit_after_a_while(SIGTERM));
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(0u, run.out.find("Mix_LoadMUS(): ")) << run.out;
    EXPECT_EQ(run.out.size() - 1, run.out.find('\n')) << "exactly one line: " << run.out;
}

TEST_F(DemoExecutable, MusicOnlyInTheWorkingDirectoryIsFoundAndInterruptEndsTheRun)
{
    ASSERT_TRUE(write_tone_mp3(dir + "/tapestrybeats.mp3", 44100, 2));
    const Spawned run = run_demo(quit_after_a_while(SIGINT));
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.out);
}

TEST_F(DemoExecutable, MusicTheMixerCannotPlaySafelyIsRefusedAndTheRunGoesOn)
{
    mkdir((dir + "/data").c_str(), 0755);
    ASSERT_TRUE(write_tone_mp3(dir + "/data/tapestrybeats.mp3", 48000, 2));
    const Spawned run = run_demo(quit_after_a_while(SIGTERM));
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("Mix_LoadMUS(): data/tapestrybeats.mp3 is 48000 Hz stereo; only 44100 Hz stereo plays safely\n",
              run.out);
}

TEST_F(DemoExecutable, AudioDeviceThatCannotOpenEndsStartUpWithStatusTwo)
{
    SpawnOptions options = in_dir();
    options.environment = {{"SDL_AUDIODRIVER", "no-such-driver"}};
    const Spawned run = run_demo(options);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(0u, run.out.find("Mix_OpenAudio: ")) << run.out;
}

TEST_F(DemoExecutable, VideoModeThatCannotBeSetEndsStartUpWithStatusTwo)
{
    SpawnOptions options = in_dir();
    options.environment = {{"SDL_VIDEODRIVER", "no-such-driver"}};
    const Spawned run = run_demo(options);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(0u, run.err.find("Couldn't set GL video mode: ")) << run.err;
}

}  // namespace
