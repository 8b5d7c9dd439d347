// The arrangement follows the demo's timeline.
#include <gtest/gtest.h>

#include <cmath>

#include "song.h"

namespace {

// The demo's parts in milliseconds. The demo starts the music right before its first frame.
constexpr double part_ms[] = {8200, 15500, 8800, 8800, 42500, 17500, 20000};
constexpr double first_part_s = 0.0;
constexpr double half_beat_s = 30.0 / 138;
constexpr double warp_flash_ms = 40450;  // into the starfield, part 5
constexpr double fade_from_ms = 15000;   // into the last part

double part_start_s(int part)
{
    double t = first_part_s;
    for (int i = 0; i < part; ++i)
        t += part_ms[i] / 1000.0;
    return t;
}

double nearest_section_start(double t)
{
    double best = 1e9;
    for (double s : section_starts())
        if (std::fabs(s - t) < std::fabs(best - t))
            best = s;
    return best;
}

}  // namespace

TEST(SynthSong, ASectionStartsWithEveryScene)
{
    // The intro is already playing when the first part starts; every later part gets a section of its
    // own within half a beat, as close as sections that start on a beat can be.
    for (int part = 1; part < 7; ++part)
        EXPECT_NEAR(nearest_section_start(part_start_s(part)), part_start_s(part), half_beat_s)
            << "part " << part + 1;
}

TEST(SynthSong, ASectionStartsWithTheWarpFlash)
{
    const double flash = part_start_s(4) + warp_flash_ms / 1000.0;
    EXPECT_NEAR(nearest_section_start(flash), flash, half_beat_s);
}

TEST(SynthSong, SectionsRunInOrderFromTheTopAndEndBeforeTheFade)
{
    const std::vector<double> starts = section_starts();
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.front(), 0.0);
    for (std::size_t i = 1; i < starts.size(); ++i)
        EXPECT_GT(starts[i], starts[i - 1]);
    EXPECT_LT(starts.back(), part_start_s(6) + fade_from_ms / 1000.0);
}
