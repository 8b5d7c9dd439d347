// The demo, the player and the capture started as launchers, cron jobs and sync tools start them:
// without standard streams, and with the music rewritten right after it was checked.
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
    std::vector<std::pair<std::string, std::string>> environment;
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
        options.environment = GetParam().environment;
        if (GetParam().runs_until_stopped) {
            options.signal = SIGTERM;
            options.signal_after_ms = settle_ms;
        }
        return spawn(GetParam().argv, options);
    }
};

std::string name_of(const testing::TestParamInfo<Start> &info) { return info.param.name; }

// A sync tool or a build rewrites the music in place while the program starts.
const Start music_starts[] = {
    {"demo", {DEMO_EXECUTABLE}, {}, true},
    {"player", {PLAYER_EXECUTABLE, "--size", "160x90", "--music", "data/tapestrybeats.mp3"}, {}, true},
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
