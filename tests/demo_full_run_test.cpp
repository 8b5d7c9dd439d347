#include <chrono>

#include <gtest/gtest.h>

#include "mp3_fixtures.h"
#include "spawn.h"

// The whole demo in real time: it must end by itself once the timeline is
// over, about 121.3 s after start, and exit 0.
TEST(DemoFullRun, PlaysTheWholeTimelineAndExitsByItself)
{
    SpawnOptions options;
    options.directory = make_temp_dir();
    options.kill_after_ms = 180000;
    const auto start = std::chrono::steady_clock::now();
    const Spawned run = spawn({DEMO_EXECUTABLE}, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(run.exited) << "killed after " << seconds << " s";
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_GT(seconds, 121.3);
    EXPECT_LT(seconds, 140.0);
}
