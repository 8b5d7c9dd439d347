#include <gtest/gtest.h>

#include "demo_process.h"
#include "mp3_fixtures.h"

// The whole demo in real time: it must end by itself once the timeline is
// over, about 121.3 s after start, and exit 0.
TEST(DemoFullRun, PlaysTheWholeTimelineAndExitsByItself)
{
    DemoOptions options;
    options.directory = make_temp_dir();
    options.kill_after_ms = 180000;
    const DemoRun run = run_demo(options);
    ASSERT_TRUE(run.exited) << "killed after " << run.seconds << " s";
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_GT(run.seconds, 121.3);
    EXPECT_LT(run.seconds, 140.0);
}
