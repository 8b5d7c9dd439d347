// The demo, the player and the capture started as launchers, cron jobs and sync tools start them:
// without standard streams or a display, and with the music rewritten right after it was checked.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "mp3_fixtures.h"
#include "spawn.h"

namespace {

constexpr int settle_ms = 3000;  // start-up done and the music playing
constexpr int hung_after_ms = 20000;

struct Start {
    const char *name;
    std::vector<std::string> argv;
    std::vector<int> closed;
    std::vector<std::pair<std::string, std::string>> environment;
    std::vector<std::string> unset;
    bool runs_until_stopped;  // ended by a TERM; otherwise it ends by itself
};

void PrintTo(const Start &start, std::ostream *out) { *out << start.name; }

class Field : public testing::TestWithParam<Start> {
protected:
    std::string dir = make_temp_dir();

    Spawned run()
    {
        SpawnOptions options;
        options.directory = dir;
        options.kill_after_ms = hung_after_ms;
        options.closed = GetParam().closed;
        options.environment = GetParam().environment;
        options.unset = GetParam().unset;
        if (GetParam().runs_until_stopped) {
            options.signal = SIGTERM;
            options.signal_after_ms = settle_ms;
        }
        return spawn(GetParam().argv, options);
    }
};

std::string name_of(const testing::TestParamInfo<Start> &info) { return info.param.name; }

constexpr int raw_frames = 20, raw_width = 160, raw_height = 90;

const std::vector<std::string> capture_frames = {
    CAPTURE_EXECUTABLE, "--size", "160x90", "--frames", std::to_string(raw_frames), "--raw", "frames.raw"};

// With standard error closed the X connection would take its place: what a
// program writes there (a driver's lines, a refusal, progress) would go into
// the X stream and hang it. A cron job has no display and no session either.
const Start unusual_starts[] = {
    // LIBGL_DEBUG makes the GL driver talk on standard error, as some do unasked.
    {"demo_without_stderr", {DEMO_EXECUTABLE}, {2}, {{"LIBGL_DEBUG", "verbose"}}, {}, true},
    {"player_without_stderr", {PLAYER_EXECUTABLE, "--size", "160x90", "--music", "missing.mp3"}, {2}, {}, {}, true},
    {"capture_without_stderr", capture_frames, {2}, {}, {}, false},
    {"capture_headless", capture_frames, {}, {}, {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}, false},
};

class UnusualStart : public Field {};

TEST_P(UnusualStart, RunsAndEndsAsUsualWithoutAlarms)
{
    const Spawned ran = run();
    ASSERT_TRUE(ran.exited) << "hung or crashed";
    EXPECT_EQ(0, ran.status) << ran.err;
    EXPECT_EQ(std::string::npos, ran.err.find("XDG_RUNTIME_DIR")) << ran.err;
    if (!GetParam().runs_until_stopped) {
        struct stat info = {};
        stat((dir + "/frames.raw").c_str(), &info);
        EXPECT_EQ(raw_frames * raw_width * raw_height * 3, info.st_size);
    }
}

INSTANTIATE_TEST_SUITE_P(Field, UnusualStart, testing::ValuesIn(unusual_starts), name_of);

// A sync tool or a build rewrites the music in place while the program starts.
const Start music_starts[] = {
    {"demo", {DEMO_EXECUTABLE}, {}, {}, {}, true},
    {"player", {PLAYER_EXECUTABLE, "--size", "160x90", "--music", "data/tapestrybeats.mp3"}, {}, {}, {}, true},
};

class SwappedMusic : public Field {};

TEST_P(SwappedMusic, TheMixerPlaysTheCopyThatWasChecked)
{
    const std::string path = dir + "/data/tapestrybeats.mp3", other = dir + "/other.mp3";
    mkdir((dir + "/data").c_str(), 0755);
    ASSERT_TRUE(write_tone_mp3(path, 44100, 2));
    ASSERT_TRUE(write_tone_mp3(other, 22050, 1));
    const std::string unplayable = read_bytes(other);

    // The check is done when the program closes the file it read.
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_LE(0, inotify_add_watch(watch, path.c_str(), IN_CLOSE_NOWRITE));
    bool swapped = false;
    std::thread swapper([&] {
        pollfd checked = {watch, POLLIN, 0};
        if (poll(&checked, 1, hung_after_ms) == 1) {
            write_bytes(path, unplayable);
            swapped = true;
        }
    });
    const Spawned ran = run();
    swapper.join();
    close(watch);
    EXPECT_TRUE(swapped);
    ASSERT_TRUE(ran.exited) << "crashed: " << ran.err;
    EXPECT_EQ(0, ran.status) << ran.err;
    EXPECT_EQ("", ran.out);
}

INSTANTIATE_TEST_SUITE_P(Field, SwappedMusic, testing::ValuesIn(music_starts), name_of);

}  // namespace
