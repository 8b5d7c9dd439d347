#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>
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

// Music files that crashed or hung the demo: each is refused with its reason,
// beside the second name's, and the run goes on silently and ends cleanly on a TERM.
struct BadMusic {
    const char *name;
    void (*make)(const std::string &path);  // makes the file at path
    const char *reason;                      // what the line says after the file's name
};

void PrintTo(const BadMusic &music, std::ostream *out) { *out << music.name; }

std::string tone_48k(const std::string &path)
{
    const std::string tone = path + ".tone";
    EXPECT_TRUE(write_tone_mp3(tone, 48000, 2)) << "lame could not make " << tone;
    const std::string bytes = read_bytes(tone);
    std::remove(tone.c_str());
    return bytes;
}

// An ID3v2 tag header that announces body_size bytes, followed by body bytes.
std::string id3v2_tag(unsigned body_size, std::size_t body)
{
    std::string tag = {'I', 'D', '3', 4, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += static_cast<char>(body_size >> shift & 0x7f);  // seven bits a byte
    return tag + std::string(body, '\0');
}

const BadMusic bad_music[] = {
    {"rate_48k", [](const std::string &path) { write_bytes(path, tone_48k(path)); },
     "has a 48000 Hz stereo frame at byte 0; only 44100 Hz stereo plays safely"},
    {"zeros_then_48k", [](const std::string &path) { write_bytes(path, std::string(70000, '\0') + tone_48k(path)); },
     "has a 48000 Hz stereo frame at byte 70000; only 44100 Hz stereo plays safely"},
    {"tag_past_the_end_then_48k",
     [](const std::string &path) { write_bytes(path, id3v2_tag(0xfffffff, 0) + tone_48k(path)); },
     "has a 48000 Hz stereo frame at byte 10; only 44100 Hz stereo plays safely"},
    {"two_tags_then_48k",
     [](const std::string &path) { write_bytes(path, id3v2_tag(20, 20) + id3v2_tag(70000, 70000) + tone_48k(path)); },
     "has a 48000 Hz stereo frame at byte 70040; only 44100 Hz stereo plays safely"},
    {"link_to_urandom", [](const std::string &path) { symlink("/dev/urandom", path.c_str()); },
     "is a character device, not a regular file"},
    {"link_to_zero", [](const std::string &path) { symlink("/dev/zero", path.c_str()); },
     "is a character device, not a regular file"},
    {"pipe_without_writer", [](const std::string &path) { mkfifo(path.c_str(), 0644); },
     "is a named pipe, not a regular file"},
    {"empty", [](const std::string &path) { write_bytes(path, ""); }, "holds no MPEG audio frame"},
    {"directory", [](const std::string &path) { mkdir(path.c_str(), 0755); }, "is a directory, not a regular file"},
    {"link_to_itself", [](const std::string &path) { symlink(path.c_str(), path.c_str()); },
     "could not be opened: Too many levels of symbolic links"},
    {"random_bytes",
     [](const std::string &path) {
         std::mt19937 bits(12);  // the same bytes on every run
         std::string bytes(1 << 20, '\0');
         for (char &byte : bytes)
             byte = static_cast<char>(bits());
         write_bytes(path, bytes);
     },
     "has a 11025 Hz mono frame at byte 163274; only 44100 Hz stereo plays safely"},
};

class BadMusicFile : public DemoExecutable, public testing::WithParamInterface<BadMusic> {};

TEST_P(BadMusicFile, IsRefusedWithItsReasonAndTheRunGoesOn)
{
    mkdir((dir + "/data").c_str(), 0755);
    GetParam().make(dir + "/data/tapestrybeats.mp3");
    const Spawned run = run_demo(quit_after_a_while(SIGTERM));
    ASSERT_TRUE(run.exited) << "crashed or hung: " << run.err;
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(std::string("Mix_LoadMUS(): data/tapestrybeats.mp3 ") + GetParam().reason +
                  "; tapestrybeats.mp3 could not be opened: No such file or directory\n",
              run.out);
}

INSTANTIATE_TEST_SUITE_P(DemoExecutable, BadMusicFile, testing::ValuesIn(bad_music),
                         [](const auto &info) { return std::string(info.param.name); });

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
