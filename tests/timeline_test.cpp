#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "partit.h"

// The timeline driven by a hand-set clock, with scenes that only log.
namespace {

Tick now;
std::vector<std::string> events;

Tick clock_now() { return now; }
void no_present() {}

template <int Part>
void setup() { events.push_back("setup " + std::to_string(Part)); }
template <int Part>
void frame() { events.push_back("frame " + std::to_string(Part)); }
template <int Part>
void skip() { events.push_back("skip " + std::to_string(Part)); }

constexpr SceneTable logging_scenes = {{
    {nullptr, nullptr},
    {setup<1>, frame<1>},
    {setup<2>, frame<2>, skip<2>},
    {setup<3>, frame<3>},
    {setup<4>, frame<4>},
    {setup<5>, frame<5>},
    {setup<6>, frame<6>},
    {setup<7>, frame<7>},
}};

class Timeline : public testing::Test {
protected:
    void SetUp() override { platform_install(clock_now, no_present); }
    void TearDown() override { platform_install(nullptr, nullptr); }

    int step_at(Tick tick, Step step = Step::draw)
    {
        now = tick;
        return step_timeline(logging_scenes, step);
    }
};

TEST_F(Timeline, FirstCallOnlyLeavesPartZeroSecondRunsTheSetUpAndFirstFrame)
{
    EXPECT_EQ(1, step_at(0));
    EXPECT_EQ(0, currentPart) << "no time has passed yet";
    EXPECT_EQ(1, step_at(1));
    EXPECT_EQ(1, currentPart);
    EXPECT_EQ(0, partInited);
    EXPECT_EQ(1u, partBeginTime);
    EXPECT_TRUE(events.empty()) << "part 0 draws nothing";

    EXPECT_EQ(1, step_at(2));
    EXPECT_EQ((std::vector<std::string>{"setup 1", "frame 1"}), events);
    EXPECT_EQ(1, partInited);
}

TEST_F(Timeline, PartRunsOutOnlyWhenElapsedPassesItsDuration)
{
    currentPart = 1;
    partInited = 1;
    partBeginTime = 1000;
    EXPECT_EQ(1, step_at(9200));
    EXPECT_EQ(1, currentPart) << "8200 ms elapsed is not past 8200";
    EXPECT_EQ(1, step_at(9201));
    EXPECT_EQ(2, currentPart);
    EXPECT_EQ(0, partInited);
    EXPECT_EQ(9201u, partBeginTime);
    EXPECT_EQ((std::vector<std::string>{"frame 1", "frame 1"}), events)
        << "the frame on which the time runs out is still part 1's";
}

TEST_F(Timeline, SkippedStepRunsTheSetUpAndTheSkipRoutineNeverTheFrameAndAdvancesAlike)
{
    currentPart = 1;
    partBeginTime = 1000;
    step_at(9200, Step::skip);
    EXPECT_EQ((std::vector<std::string>{"setup 1"}), events) << "part 1 carries nothing to skip";
    step_at(9201, Step::skip);
    EXPECT_EQ(2, currentPart);
    step_at(9300, Step::skip);
    EXPECT_EQ((std::vector<std::string>{"setup 1", "setup 2", "skip 2"}), events);
}

TEST_F(Timeline, ElapsedTimeSurvivesAWrapOfTheTickCounter)
{
    currentPart = 3;
    partInited = 1;
    partBeginTime = 0xFFFFFF00u;
    step_at(0xFFFFFF00u + partDuration[3]);
    EXPECT_EQ(3, currentPart);
    step_at(partDuration[3] - 0x100u + 1);
    EXPECT_EQ(4, currentPart);
}

TEST_F(Timeline, AfterTheLastPartEndsTheNextCallReturnsZeroWithoutDrawing)
{
    currentPart = 7;
    partInited = 1;
    partBeginTime = 50000;
    EXPECT_EQ(1, step_at(70001));
    EXPECT_EQ(8, currentPart);
    events.clear();
    EXPECT_EQ(0, step_at(70002));
    EXPECT_EQ(0, step_at(99999));
    EXPECT_TRUE(events.empty());
}

TEST_F(Timeline, CorruptNegativePartAdvancesAtOnce)
{
    currentPart = -3;
    EXPECT_EQ(1, step_at(5));
    EXPECT_EQ(-2, currentPart);
    EXPECT_TRUE(events.empty());
}

TEST_F(Timeline, WholeRunSetsUpEachPartOnceInOrderAndEndsAfterTheDurations)
{
    constexpr Tick frame_step = 7;
    int calls = 0;
    Tick tick = 0;
    while (step_at(tick)) {
        tick += frame_step;
        ASSERT_LT(++calls, 100000);
    }

    std::vector<std::string> setups;
    for (const std::string &event : events)
        if (event.rfind("setup", 0) == 0)
            setups.push_back(event);
    EXPECT_EQ((std::vector<std::string>{"setup 1", "setup 2", "setup 3", "setup 4", "setup 5", "setup 6",
                                        "setup 7"}),
              setups);

    // Every part draws for its own duration, one frame per step.
    constexpr std::array<Tick, part_count> expected_ms = {0, 8200, 15500, 8800, 8800, 42500, 17500, 20000};
    for (int part = 1; part < part_count; ++part) {
        const auto frames = std::count(events.begin(), events.end(), "frame " + std::to_string(part));
        EXPECT_NEAR(expected_ms[part] / frame_step, frames, 2) << "part " << part;
    }

    // Each part ends on the first step past its duration, so the run is longer
    // than the 121.3 s the durations add up to by less than a step a part.
    EXPECT_GT(tick, 121300u);
    EXPECT_LE(tick, 121300u + part_count * frame_step);
}

}  // namespace
