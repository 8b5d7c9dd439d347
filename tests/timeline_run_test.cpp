#include <algorithm>
#include <array>
#include <map>
#include <string>

#include "bench.h"

// The whole demo played on the virtual clock at a steady frame step, through
// the real timeline and all seven scenes, in the sanitized build.
namespace {

constexpr int width = 320;
constexpr int height = 180;
constexpr Tick frame_step = 50;
constexpr Tick timeline_length = 121300;

// What each scene clears to at its midpoint: black decrunch, white logo,
// red-brown cubes, white tiles, dark blue stars (the warp comes later),
// white picture, yellow tree.
constexpr std::array<bench::Rgb, part_count> clear_colour = {{
    bench::black,
    bench::black,
    bench::white,
    bench::rgb(0.7, 0.2, 0.2),
    bench::white,
    bench::rgb(0.0, 0.0, 0.1),
    bench::white,
    bench::rgb(0.8, 0.8, 0.0),
}};

// A scene that draws at all covers more than this much of a small window.
constexpr int least_drawn = width * height / 500;

// Pixels that differ from the frame's commonest colour: a frame that is only
// a clear, whatever its colour, has none.
int off_commonest_colour()
{
    std::map<std::array<int, 3>, int> histogram;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bench::Rgb c = bench::at(x, y);
            ++histogram[{c.r, c.g, c.b}];
        }
    const auto commonest = std::max_element(histogram.begin(), histogram.end(),
                                            [](const auto &a, const auto &b) { return a.second < b.second; });
    return width * height - commonest->second;
}

TEST(TimelineRun, WholeDemoPlaysToItsEndAndEverySceneDrawsAtItsMidpoint)
{
    bench::open(width, height);
    offline::set_time(0);

    std::array<int, part_count> frames = {};
    std::array<int, part_count> drawn_at_midpoint = {};
    std::array<int, part_count> varied_at_midpoint = {};
    std::array<bool, part_count> checked = {};
    int previous_part = 0;
    const int most_calls = static_cast<int>(timeline_length / frame_step) + 100;
    int calls = 0;
    while (calls < most_calls) {
        const int part = currentPart;
        ASSERT_GE(part, previous_part) << "the timeline never goes back";
        ASSERT_LE(part, previous_part + 1) << "nor skips a part";
        previous_part = part;

        const long presented = offline::presented_frames();
        const Tick elapsed = offline::time() - partBeginTime;
        ++calls;
        if (!draw_frame())
            break;
        const long new_frames = offline::presented_frames() - presented;
        ASSERT_EQ(part == 0 ? 0 : 1, new_frames) << "part " << part << " at " << offline::time() << " ms";
        frames[part] += static_cast<int>(new_frames);

        if (part > 0 && !checked[part] && elapsed >= partDuration[part] / 2) {
            checked[part] = true;
            drawn_at_midpoint[part] = width * height - bench::count(0, 0, width, height, clear_colour[part]);
            varied_at_midpoint[part] = off_commonest_colour();
            bench::save("TimelineRun.part" + std::to_string(part));
        }
        offline::advance_time(frame_step);
    }

    ASSERT_EQ(final_part, currentPart) << "the timeline did not end within " << calls << " calls";
    EXPECT_GE(offline::time(), timeline_length);
    // Part 0 takes a step, each scene overruns its time by at most a step, and
    // the call that ends the run comes a step after the last frame.
    EXPECT_LE(offline::time(), timeline_length + (part_count + 1) * frame_step);
    for (int part = 1; part < part_count; ++part) {
        EXPECT_NEAR(partDuration[part] / frame_step, frames[part], 2) << "part " << part;
        EXPECT_TRUE(checked[part]) << "part " << part;
        EXPECT_GT(drawn_at_midpoint[part], least_drawn) << "part " << part << " drew only its clear colour";
        EXPECT_GT(varied_at_midpoint[part], least_drawn) << "part " << part << " drew one flat colour";
    }

    const long presented = offline::presented_frames();
    EXPECT_EQ(0, draw_frame()) << "the end is final";
    EXPECT_EQ(presented, offline::presented_frames()) << "and draws nothing";
}

}  // namespace
