#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "options.h"
#include "partit.h"
#include "estimate.h"
#include "progress.h"
#include "split.h"
#include "timeline.h"

namespace {

using namespace capture;
using namespace offline;

// The real sequencer with scenes that only present, stepped as the capture
// steps it, its presents counted: no GL needed.
Tick virtual_now;
long presents;
Tick virtual_ticks() { return virtual_now; }
void count_present() { ++presents; }
void no_setup() {}
void present_only() { platform_present(); }

// The first frame of each part as the sequencer presents it, ticks taken
// from n by floating point rather than by the clock's integer rounding.
PartStarts sequencer_starts(Tick start, Rate rate)
{
    currentPart = 0;
    partInited = 0;
    partBeginTime = 0;
    presents = 0;
    platform_install(virtual_ticks, count_present);
    SceneTable scenes;
    scenes.fill({no_setup, present_only});
    PartStarts starts{};
    for (long n = 0;; ++n) {
        virtual_now = start + static_cast<Tick>(std::lround(n * 1000.0 * rate.den / rate.num));
        const long before = presents;
        while (presents == before) {
            const int part = currentPart;
            if (!step_timeline(scenes)) {
                starts[final_part] = presents;
                return starts;
            }
            if (presents != before && part > 1 && starts[part] == 0)
                starts[part] = n;
        }
    }
}

TEST(CaptureClock, FrameTicksRoundToTheNearestMillisecondWithoutDrift)
{
    const std::tuple<Rate, long, Tick> cases[] = {
        {{30, 1}, 0, 500},       {{30, 1}, 1, 533},         {{30, 1}, 2, 567},         {{30, 1}, 3, 600},
        {{60, 1}, 1, 517},       {{30, 1}, 3000, 100500},   {{60, 1}, 7308, 122300},
        {{30000, 1001}, 1, 533}, {{30000, 1001}, 3, 600},   {{60000, 1001}, 1, 517},  // 33.37, 100.1, 16.68 ms
        {{30000, 1001}, 30000, 1001500}, {{60000, 1001}, 60000, 1001500},
    };
    for (const auto &[rate, n, tick] : cases)
        EXPECT_EQ(tick, frame_tick(500, rate, n)) << rate.num << "/" << rate.den << " frame " << n;
}

TEST(CaptureClock, WholeTimelineAtTenFramesASecondCountedByHand)
{
    // Part 1 draws at 500, 600, ... 8800 (the first tick past 8200 ms): 84
    // frames. Every later part begins on its predecessor's last frame and
    // draws from one step later to one step past its duration: d/100 + 1.
    constexpr long later_parts_ms = 15500 + 8800 + 8800 + 42500 + 17500 + 20000;
    EXPECT_EQ(84 + later_parts_ms / 100 + 6, timeline_frames(500, {10, 1}));
    EXPECT_EQ(84, part_starts(500, {10, 1})[2]);
    EXPECT_EQ(timeline_frames(500, {10, 1}), timeline_frames(3000, {10, 1}));
}

TEST(CaptureClock, PartsBeginWhereTheSequencerBeginsThem)
{
    for (Rate rate : {Rate{60, 1}, Rate{30, 1}, Rate{25, 1}, Rate{7, 1}, Rate{30000, 1001}, Rate{24000, 1001}})
        for (Tick start : {1u, 500u, 1234u})
            EXPECT_EQ(sequencer_starts(start, rate), part_starts(start, rate))
                << rate.num << "/" << rate.den << " fps from " << start;
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
    ASSERT_EQ("", parse({"--size=1280x720", "--fps", "30", "--start=800", "--png", "1.5:a.png", "--png=2:dir/b.png"},
                        options));
    EXPECT_EQ(1280, options.width);
    EXPECT_EQ(720, options.height);
    EXPECT_EQ(30, options.fps.num);
    EXPECT_EQ(800u, options.start);
    ASSERT_EQ(2u, options.shots.size());
    EXPECT_DOUBLE_EQ(1.5, options.shots[0].seconds);
    EXPECT_EQ("dir/b.png", options.shots[1].path);

    Options video;
    ASSERT_EQ("", parse({"--crf=23", "--preset", "slow", "--no-audio", "--to", "9.5", "-o", "v.mp4"}, video));
    EXPECT_EQ(23, video.crf);
    EXPECT_EQ("slow", video.preset);
    EXPECT_TRUE(video.no_audio);
    EXPECT_DOUBLE_EQ(9.5, video.to);
    EXPECT_EQ("v.mp4", video.output);
    Options master;
    ASSERT_EQ("", parse({"--master", "--frames", "12"}, master));
    EXPECT_EQ("plums-under-glass.mkv", master.output);

    EXPECT_EQ(12, master.frames);
}

TEST(CaptureOptions, RatesAreExactFractions)
{
    const std::pair<std::string, Rate> cases[] = {
        {"25", {25, 1}},           {"30000/1001", {30000, 1001}}, {"29.97", {30000, 1001}},
        {"59.94", {60000, 1001}}, {"23.976", {24000, 1001}},     {"120/2", {60, 1}},
    };
    for (const auto &[text, rate] : cases) {
        Options options;
        ASSERT_EQ("", parse({"--fps", text}, options)) << text;
        EXPECT_EQ(rate.num, options.fps.num) << text;
        EXPECT_EQ(rate.den, options.fps.den) << text;
    }
}

TEST(CaptureOptions, BadValuesAreRefusedWithTheReason)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--size", "1280"}, "wants WIDTHxHEIGHT"},
        {{"--size", "14x90"}, "out of range"},
        {{"--size", "160x4322"}, "out of range"},
        {{"--size", "161x90"}, "must be even"},
        {{"--fps", "0"}, "--fps 0 is out of range: 1 to 240"},
        {{"--fps", "241"}, "out of range"},
        {{"--fps", "1/2"}, "out of range"},
        {{"--fps", "30/0"}, "out of range"},
        {{"--fps", "30fps"}, "--fps wants N, N/D or 23.976, 29.97, 59.94, not '30fps'"},
        {{"--fps", "29.9"}, "--fps wants"},
        {{"--start", "0"}, "out of range"},
        {{"--from", "-1"}, "wants seconds"},
        {{"--duration", "0"}, "above 0"},
        {{"--to", "0"}, "above 0"},
        {{"--frames", "0"}, "--frames wants a count above 0"},
        {{"--crf", "52"}, "--crf 52 is out of range: 0 to 51"},
        {{"--preset", "quick"}, "is not one of x264's"},
        {{"-o", ""}, "-o wants a file name, not an empty one"},
        {{"--raw="}, "--raw wants a file name"},
        {{"--png", "3"}, "SECONDS:FILE"},
        {{"--png", "3:"}, "SECONDS:FILE"},
        {{"--master=yes"}, "--master takes no value"},
        {{"--raw", "a.raw", "--png", "1:a.png"}, "--png and --raw cannot be combined"},
        {{"--png", "1:a.png", "--no-audio"}, "--png and --no-audio cannot be combined"},
        {{"--raw", "a.raw", "-o", "v.mp4"}, "--raw and --output cannot be combined"},
        {{"--to", "3", "--duration", "1"}, "--duration and --to cannot be combined"},
        {{"--master", "--crf", "0"}, "--master and --crf cannot be combined"},
        {{"--fps"}, "needs a value"},
    };
    for (const auto &[args, reason] : cases) {
        Options options;
        EXPECT_NE(std::string::npos, parse(args, options).find(reason)) << args[0] << " should say " << reason;
    }
}

TEST(CaptureOptions, KeptFramesFollowFromTheStartAndEndAndScreenshots)
{
    // from, duration, to, frames: the first kept frame and the end
    const std::tuple<double, double, double, long, long, long> cases[] = {
        {2, 1.5, -1, -1, 20, 35},    {2, 1000, -1, -1, 20, 1221},  // clipped at the end of the demo
        {2, -1, 3.55, -1, 20, 36},   {2, -1, -1, 7, 20, 27},       {2, -1, -1, 1L << 62, 20, 1221},
        {0, -1, -1, -1, 0, 1221},
    };
    for (const auto &[from, duration, to, frames, first, end] : cases) {
        Options options;
        options.fps = {10, 1};
        options.from = from;
        options.duration = duration;
        options.to = to;
        options.frames = frames;
        long kept_first = 0, kept_end = 0;
        ASSERT_EQ("", kept_frames(options, 1221, kept_first, kept_end));
        EXPECT_EQ(first, kept_first);
        EXPECT_EQ(end, kept_end);
    }

    Options options;
    options.fps = {10, 1};
    long first = 0, end = 0;
    options.from = 3;
    options.to = 3.02;
    EXPECT_NE(std::string::npos, kept_frames(options, 1221, first, end).find("no frame would be kept"));
    options.from = 122.1;
    EXPECT_NE(std::string::npos, kept_frames(options, 1221, first, end).find("after the end of the demo (122.10 s)"));

    options.shots = {{12.5, "a.png"}, {3.04, "b.png"}};
    ASSERT_EQ("", kept_frames(options, 1221, first, end));
    EXPECT_EQ(30, first);
    EXPECT_EQ(126, end);
}

double work_of(const PartStarts &starts, Rate rate, long pixels, const Range &range)
{
    double work = 0;
    for (double each : work_between(starts, rate, pixels, range.first, range.end))
        work += each;
    return work;
}

TEST(CaptureSplit, RangesFollowOneAnotherAndShareTheWorkEvenly)
{
    constexpr Rate rate = {30, 1};
    const PartStarts starts = part_starts(500, rate);
    const long total = starts[final_part];
    // first, end, jobs, pixels
    const std::tuple<long, long, int, long> cases[] = {
        {0, total, 2, 1280 * 720}, {0, total, 7, 1920 * 1080}, {300, 900, 3, 1280 * 720}, {10, 13, 8, 64 * 36},
    };
    for (const auto &[first, end, jobs, pixels] : cases) {
        const std::vector<Range> ranges = split_work(starts, rate, pixels, first, end, jobs);
        ASSERT_EQ(std::min<long>(jobs, end - first), static_cast<long>(ranges.size()));
        double largest_frame = 0;
        for (long n = first; n < end; ++n)
            largest_frame = std::max(largest_frame, work_of(starts, rate, pixels, {n, n + 1}));
        const double share = work_of(starts, rate, pixels, {first, end}) / ranges.size();
        long next = first;
        for (const Range &range : ranges) {
            EXPECT_EQ(next, range.first);
            EXPECT_GT(range.frames(), 0);
            EXPECT_NEAR(share, work_of(starts, rate, pixels, range), largest_frame * 1.01);
            next = range.end;
        }
        EXPECT_EQ(end, next);
    }
}

TEST(CaptureSplit, ShotsAreSharedOutInOrderAndTheWholeFirstFramesCounted)
{
    const std::vector<Range> ranges = split_shots({3, 40, 41, 90, 1200}, 2);
    ASSERT_EQ(2u, ranges.size());
    EXPECT_EQ(3, ranges[0].first);
    EXPECT_EQ(41, ranges[0].end);
    EXPECT_EQ(41, ranges[1].first);
    EXPECT_EQ(1201, ranges[1].end);
    EXPECT_EQ(1u, split_shots({7}, 4).size());

    const Range three[] = {{0, 10}, {10, 25}, {25, 40}};
    // kept in each range, frames whole from the first on
    const std::pair<std::array<long, 3>, long> cases[] = {
        {{10, 15, 15}, 40}, {{10, 7, 15}, 17}, {{4, 15, 15}, 4}, {{0, 15, 3}, 0}, {{10, 15, 0}, 25},
    };
    for (const auto &[kept, whole] : cases)
        EXPECT_EQ(whole, whole_prefix(three, kept.data(), 3)) << kept[0] << " " << kept[1] << " " << kept[2];
}

TEST(CaptureProgress, LineShowsCountSceneRateAndTimeLeft)
{
    const std::string line = progress_line(300, 1200, "starfield", 30, 75);
    EXPECT_EQ(0u, line.find("300/1200 frames [#######......"));
    EXPECT_NE(std::string::npos, line.find(" 25%  starfield "));
    EXPECT_NE(std::string::npos, line.find("30.0 fps"));
    EXPECT_NE(std::string::npos, line.find("1:15 left"));
    EXPECT_NE(std::string::npos, progress_line(1, 1200, "decrunch", 30, -1).find("--:-- left"));
    EXPECT_EQ("0:59", clock_text(59.4));
    EXPECT_EQ("1:02:05", clock_text(3725));
}

// A run whose every frame costs the same multiple of its reference cost:
// from any point on, the estimate is exactly the time still to come, however
// unevenly the frames left are spread over cheap and costly scenes.
TEST(CaptureEstimate, WorkLeftWeighsEveryFrameByItsScene)
{
    constexpr Rate rate = {30, 1};
    constexpr double slower = 1.7;
    constexpr long pixels = 1920 * 1080;
    const PartStarts starts = part_starts(500, rate);
    const long total = starts[final_part];
    double all_work = 0;
    for (double work : work_between(starts, rate, pixels, 0, total))
        all_work += work;
    SceneCosts seen{};
    Pace pace;
    EXPECT_LT(seconds_left(seen, pace, work_between(starts, rate, pixels, 0, total)), 0) << "nothing measured yet";
    int part = 1;
    double spent = 0;
    for (long n = 0; n < total; ++n) {
        while (n >= starts[part + 1])
            ++part;
        const double work = reference_cost(frame_seconds(n, rate), part, pixels);
        seen[part].frames += 1;
        seen[part].work += work;
        seen[part].seconds += slower * work;
        add_frame(pace, slower * work, work);
        spent += slower * work;
        if (n % 500 == 250) {
            const double left = seconds_left(seen, pace, work_between(starts, rate, pixels, n + 1, total));
            EXPECT_NEAR(slower * all_work - spent, left, 1e-6 * left) << "after frame " << n;
        }
    }
    // The logo costs about seven times as much a frame as the decrunch screen. Its points cost
    // about the same at any size, whereas the tile wall grows with the pixels.
    EXPECT_GT(reference_cost(15, 2, 1280 * 720), 6 * reference_cost(4, 1, 1280 * 720));
    EXPECT_LT(reference_cost(15, 2, pixels), 1.2 * reference_cost(15, 2, 1280 * 720));
    EXPECT_GT(reference_cost(36, 4, pixels), 1.5 * reference_cost(36, 4, 1280 * 720));
}

// The scene being drawn goes on at its own rate once it has been measured
// for a while; scenes not reached go at the pace of the run lately.
TEST(CaptureEstimate, TheSceneInHandKeepsItsRateAndTheRestThePaceLately)
{
    SceneCosts seen{};
    seen[2] = {3000, 900.0, 300.0};  // three times its reference cost
    const Pace pace = {2.0, 1.0};
    PartWork left{};
    left[2] = 10;
    EXPECT_NEAR(30, seconds_left(seen, pace, left), 1.0);
    left = {};
    left[3] = 10;
    EXPECT_DOUBLE_EQ(20, seconds_left(seen, pace, left));
}

TEST(CaptureEstimate, PaceFollowsAMachineThatSlowsDown)
{
    Pace pace;
    for (int i = 0; i < 3000; ++i)  // five minutes at the reference pace
        add_frame(pace, 0.1, 0.1);
    for (int i = 0; i < 600; ++i)   // then two at half of it
        add_frame(pace, 0.2, 0.1);
    EXPECT_GT(pace.seconds / pace.work, 1.7);  // since the start: 1.17
}

}  // namespace
