// The arrangement follows the demo's timeline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "song.h"

namespace {

// The demo's parts in milliseconds. The demo starts the music right before its first frame.
constexpr double part_ms[] = {8200, 15500, 8800, 8800, 42500, 17500, 20000};
constexpr double warp_flash_ms = 40450;  // into the starfield, part 5
constexpr double fade_from_ms = 15000;   // into the last part

double part_start_s(int part)
{
    double t = 0.0;
    for (int i = 0; i < part; ++i)
        t += part_ms[i] / 1000.0;
    return t;
}

bool a_section_starts_at(double t)
{
    const std::vector<double> starts = section_starts();
    return std::any_of(starts.begin(), starts.end(), [t](double s) { return std::fabs(s - t) < 0.001; });
}

}  // namespace

TEST(SynthSong, ASectionStartsOnEveryCutAndOnTheWarpFlash)
{
    for (int part = 0; part < 7; ++part)
        EXPECT_TRUE(a_section_starts_at(part_start_s(part))) << "part " << part + 1;
    EXPECT_TRUE(a_section_starts_at(part_start_s(4) + warp_flash_ms / 1000.0));
}

TEST(SynthSong, SectionsAndBarsRunInOrderUpToTheClosingHitAsThePictureFades)
{
    for (const std::vector<double> &times : {section_starts(), bar_starts()}) {
        ASSERT_FALSE(times.empty());
        EXPECT_EQ(times.front(), 0.0);
        for (std::size_t i = 1; i < times.size(); ++i)
            EXPECT_GT(times[i], times[i - 1]);
    }
    EXPECT_NEAR(bar_starts().back(), part_start_s(6) + fade_from_ms / 1000.0, 0.001);
}
