#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mp3_fixtures.h"
#include "spawn.h"

// What a screenshot late in the demo costs against one at its start. The
// capture skips the frames before a shot, so the two should cost about the
// same: mostly start-up and the one frame drawn. Measures; judges nothing.
namespace {

constexpr int rounds = 3;

double capture_seconds(const std::string &dir, const std::string &shot)
{
    SpawnOptions options;
    options.directory = dir;
    const auto begin = std::chrono::steady_clock::now();
    const Spawned run = spawn({CAPTURE_EXECUTABLE, "--size", "1280x720", "--png", shot}, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(0, run.status) << run.err;
    return seconds;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

TEST(SeekCost, ScreenshotAt95SecondsAgainstOneAtHalfASecond)
{
    const std::string dir = make_temp_dir();
    std::vector<double> early, late;
    for (int i = 0; i < rounds; ++i) {
        early.push_back(capture_seconds(dir, "0.5:early.png"));
        late.push_back(capture_seconds(dir, "95:late.png"));
    }
    std::printf("capture --size 1280x720 --png 0.5: %.2f s, --png 95: %.2f s (medians of %d), ratio %.1f\n",
                median(early), median(late), rounds, median(late) / median(early));
}

}  // namespace
