#include <signal.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "mp3_fixtures.h"
#include "spawn.h"

namespace {

// Long enough for start-up to have installed SDL's signal handling.
constexpr int settle_ms = 3000;
constexpr int hung_after_ms = 20000;

Spawned run_demo(const SpawnOptions &options) { return spawn({DEMO_EXECUTABLE}, options); }

// Libraries may print their own lines around the demo's.
bool has_line_starting(const std::string &text, const std::string &start)
{
    return ("\n" + text).find("\n" + start) != std::string::npos;
}

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

// Start-ups that must fail on a window nobody could see, and the one run
// unseen on purpose. Each gets a TERM once it would be running.
struct VideoStart {
    const char *name;
    std::vector<std::pair<std::string, std::string>> environment;
    bool without_display;
    int status;
    const char *error;  // the start of a line on standard error; "" when the demo runs
};

void PrintTo(const VideoStart &start, std::ostream *out) { *out << start.name; }

const VideoStart video_starts[] = {
    {"unknown_driver", {{"SDL_VIDEODRIVER", "no-such-driver"}}, false, 2, "Couldn't set GL video mode: "},
    {"no_display", {}, true, 2, "Couldn't set GL video mode: no display is set"},
    {"unreachable_display", {{"DISPLAY", ":99999"}}, false, 2,
     "Couldn't set GL video mode: the display DISPLAY=:99999 could not be opened"},
    {"offscreen_asked_for", {{"SDL_VIDEODRIVER", "offscreen"}}, true, 0, ""},
};

class VideoMode : public DemoExecutable, public testing::WithParamInterface<VideoStart> {};

TEST_P(VideoMode, UnseenWindowIsAStartUpFailureUnlessAskedFor)
{
    const VideoStart &start = GetParam();
    SpawnOptions options = quit_after_a_while(SIGTERM);
    options.environment = start.environment;
    if (start.without_display)
        options.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
    const Spawned run = run_demo(options);
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(start.status, run.status) << run.err;
    if (*start.error)
        EXPECT_TRUE(has_line_starting(run.err, start.error)) << run.err;
    else
        EXPECT_EQ(std::string::npos, run.err.find("Couldn't")) << run.err;
}

INSTANTIATE_TEST_SUITE_P(DemoExecutable, VideoMode, testing::ValuesIn(video_starts),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
