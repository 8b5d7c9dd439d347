#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "options.h"
#include "partit.h"
#include "progress.h"
#include "timeline.h"

namespace {

using namespace capture;

// The real sequencer with scenes that only present, stepped as the capture
// steps it, its presents counted: no GL needed.
Tick virtual_now;
long presents;
Tick virtual_ticks() { return virtual_now; }
void count_present() { ++presents; }
void no_setup() {}
void present_only() { platform_present(); }

long sequencer_frames(Tick start, int fps)
{
    currentPart = 0;
    partInited = 0;
    partBeginTime = 0;
    presents = 0;
    platform_install(virtual_ticks, count_present);
    SceneTable scenes;
    scenes.fill({no_setup, present_only});
    for (long n = 0;; ++n) {
        virtual_now = start + static_cast<Tick>(std::lround(n * 1000.0 / fps));
        const long before = presents;
        while (presents == before)
            if (!step_timeline(scenes))
                return presents;
    }
}

TEST(CaptureClock, FrameTicksRoundToTheNearestMillisecondWithoutDrift)
{
    EXPECT_EQ(500u, frame_tick(500, 30, 0));
    EXPECT_EQ(533u, frame_tick(500, 30, 1));  // 33.3 ms
    EXPECT_EQ(567u, frame_tick(500, 30, 2));  // 66.7 ms
    EXPECT_EQ(600u, frame_tick(500, 30, 3));
    EXPECT_EQ(517u, frame_tick(500, 60, 1));
    EXPECT_EQ(100500u, frame_tick(500, 30, 3000));
    EXPECT_EQ(121800u + 500u, frame_tick(500, 60, 121800 * 60 / 1000));
}

TEST(CaptureClock, WholeTimelineAtTenFramesASecondCountedByHand)
{
    // Part 1 draws at 500, 600, ... 8800 (the first tick past 8200 ms): 84
    // frames. Every later part begins on its predecessor's last frame and
    // draws from one step later to one step past its duration: d/100 + 1.
    constexpr long later_parts_ms = 15500 + 8800 + 8800 + 42500 + 17500 + 20000;
    EXPECT_EQ(84 + later_parts_ms / 100 + 6, timeline_frames(500, 10));
    EXPECT_EQ(timeline_frames(500, 10), timeline_frames(3000, 10));
}

TEST(CaptureClock, FrameCountsAgreeWithTheSequencerItself)
{
    for (int fps : {60, 30, 25, 24, 7})
        for (Tick start : {1u, 500u, 1234u})
            EXPECT_EQ(sequencer_frames(start, fps), timeline_frames(start, fps)) << fps << " fps from " << start;
}

std::string parse(std::vector<std::string> args, Options &options)
{
    args.insert(args.begin(), "capture");
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    return parse_options(static_cast<int>(argv.size()), argv.data(), options);
}

TEST(CaptureOptions, ValuesAreReadInBothSpellings)
{
    Options options;
    ASSERT_EQ("", parse({"--size=1280x720", "--fps", "30", "-o", "v.mp4", "--start=800", "--png", "1.5:a.png",
                         "--png=2:dir/b.png"},
                        options));
    EXPECT_EQ(1280, options.width);
    EXPECT_EQ(720, options.height);
    EXPECT_EQ(30, options.fps);
    EXPECT_EQ(800u, options.start);
    EXPECT_EQ("v.mp4", options.output);
    ASSERT_EQ(2u, options.shots.size());
    EXPECT_DOUBLE_EQ(1.5, options.shots[0].seconds);
    EXPECT_EQ("dir/b.png", options.shots[1].path);
}

TEST(CaptureOptions, BadValuesAreRefusedWithTheReason)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--size", "1280"}, "wants WIDTHxHEIGHT"},
        {{"--size", "14x90"}, "out of range"},
        {{"--size", "160x4322"}, "out of range"},
        {{"--size", "161x90"}, "must be even"},
        {{"--fps", "0"}, "--fps 0 is out of range"},
        {{"--fps", "241"}, "out of range"},
        {{"--fps", "30fps"}, "out of range"},
        {{"--start", "0"}, "out of range"},
        {{"--from", "-1"}, "wants seconds"},
        {{"--duration", "0"}, "above 0"},
        {{"--png", "3"}, "SECONDS:FILE"},
        {{"--png", "3:"}, "SECONDS:FILE"},
        {{"--raw", "a.raw", "--png", "1:a.png"}, "cannot be combined"},
        {{"--fps"}, "needs a value"},
    };
    for (const auto &[args, reason] : cases) {
        Options options;
        EXPECT_NE(std::string::npos, parse(args, options).find(reason)) << args[0] << " should say " << reason;
    }
}

TEST(CaptureOptions, KeptFramesFollowFromDurationAndScreenshots)
{
    Options options;
    long first = 0, end = 0;
    options.fps = 10;
    options.from = 2;
    options.duration = 1.5;
    ASSERT_EQ("", kept_frames(options, 1221, first, end));
    EXPECT_EQ(20, first);
    EXPECT_EQ(35, end);

    options.duration = 1000;  // clipped at the end of the demo
    ASSERT_EQ("", kept_frames(options, 1221, first, end));
    EXPECT_EQ(1221, end);

    options.from = 122.1;
    EXPECT_NE(std::string::npos, kept_frames(options, 1221, first, end).find("after the end of the demo (122.10 s)"));

    options.shots = {{12.5, "a.png"}, {3.04, "b.png"}};
    ASSERT_EQ("", kept_frames(options, 1221, first, end));
    EXPECT_EQ(30, first);
    EXPECT_EQ(126, end);
}

TEST(CaptureProgress, LineShowsCountSceneRateAndTimeLeft)
{
    const std::string line = progress_line(300, 1200, "starfield", 30);
    EXPECT_EQ(0u, line.find("300/1200 frames [#######......"));
    EXPECT_NE(std::string::npos, line.find(" 25%  starfield "));
    EXPECT_NE(std::string::npos, line.find("30.0 fps"));
    EXPECT_NE(std::string::npos, line.find("0:30 left"));  // 900 frames at 30 a second
    EXPECT_EQ("0:59", clock_text(59.4));
    EXPECT_EQ("1:02:05", clock_text(3725));
}

}  // namespace
