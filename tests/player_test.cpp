#include <cstdint>
#include <vector>

#include "bench.h"
#include "player.h"

// The player driven through its keys on a virtual wall clock, its frames
// compared with those of a run that draws every frame from the start.
namespace {

constexpr int width = 160;
constexpr int height = 90;
constexpr Tick step = 500;  // a coarse fixed step keeps the runs from the start short
constexpr Tick first_tick = 500;

using Pixels = std::vector<std::uint8_t>;

long frame_index(double seconds) { return static_cast<long>(seconds * 1000 / step + 0.5); }

struct Drawn {
    int part;
    Pixels pixels;
};

// Frames from..to of a run that draws every frame from the start.
std::vector<Drawn> run_from_start(long from, long to)
{
    rewind_demo();
    std::vector<Drawn> frames;
    for (long n = 0; n <= to; ++n) {
        offline::set_time(first_tick + static_cast<Tick>(n) * step);
        const int part = offline::next_frame();
        if (n >= from)
            frames.push_back({part, offline::last_frame().rgb});
    }
    return frames;
}

const Pixels &shown() { return offline::last_frame().rgb; }

class Player : public testing::Test {
protected:
    void SetUp() override { bench::open(width, height); }

    void start(double at)
    {
        player::Settings settings;
        settings.at = at;
        settings.step = step;
        player::start(settings, nullptr, offline::present, 0);
    }
};

TEST_F(Player, SeeksLandOnTheFrameARunFromTheStartDrawsThere)
{
    start(0);
    player::press(SDLK_5, 0);
    const long scene_start = frame_index(player::demo_seconds());
    const Pixels at_scene_start = shown();
    player::press(SDLK_RIGHT, 0);
    EXPECT_EQ(scene_start + frame_index(5), frame_index(player::demo_seconds()));
    const Pixels five_seconds_in = shown();
    player::press(SDLK_LEFT, 0);
    player::press(SDLK_LEFT, 0);
    const Pixels five_seconds_before = shown();
    EXPECT_EQ(4, player::current_scene());

    const long first = scene_start - frame_index(5);
    const std::vector<Drawn> run = run_from_start(first, scene_start + frame_index(5));
    EXPECT_EQ(4, run[frame_index(5) - 1].part) << "the frame before the scene's start";
    EXPECT_EQ(5, run[frame_index(5)].part);
    EXPECT_TRUE(run.front().pixels == five_seconds_before);
    EXPECT_TRUE(run[frame_index(5)].pixels == at_scene_start);
    EXPECT_TRUE(run.back().pixels == five_seconds_in) << bench::save("Player.SeekIntoTheStarfield");
}

TEST_F(Player, PauseFreezesTheClockAndAFrameStepOrResumeGoesOnFromThere)
{
    start(0);
    player::update(1000);
    player::press(SDLK_SPACE, 1000);
    const long presented = offline::presented_frames();
    EXPECT_FALSE(player::update(5000));
    EXPECT_EQ(presented, offline::presented_frames());
    EXPECT_DOUBLE_EQ(1.0, player::demo_seconds());
    const Pixels paused = shown();

    player::press(SDLK_PERIOD, 5000);
    const Pixels stepped = shown();
    player::press(SDLK_SPACE, 5000);
    EXPECT_TRUE(player::update(5000 + step));
    EXPECT_DOUBLE_EQ(2.0, player::demo_seconds());

    const std::vector<Drawn> run = run_from_start(frame_index(1.0), frame_index(2.0));
    EXPECT_TRUE(run[0].pixels == paused);
    EXPECT_TRUE(run[1].pixels == stepped);
    EXPECT_TRUE(run[2].pixels == shown());
}

TEST_F(Player, LoopWrapsToTheSceneStartWhereTheSceneEnds)
{
    start(7);
    player::press(SDLK_l, 0);
    player::update(2000);  // the decrunch screen ends at about 8.5 s
    EXPECT_EQ(1, player::current_scene());
    EXPECT_DOUBLE_EQ(0.0, player::demo_seconds());
    EXPECT_TRUE(run_from_start(0, 0)[0].pixels == shown());
}

struct Changes {
    int in_corner = 0;  // the overlay's quarter of the frame, top left
    int elsewhere = 0;
};

Changes changes(const Pixels &a, const Pixels &b)
{
    Changes counted;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
            const bool changed = a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
            (x < width / 2 && y < height / 4 ? counted.in_corner : counted.elsewhere) += changed;
        }
    return counted;
}

TEST_F(Player, OverlayIsDrawnOverTheCornerOnlyWhenAskedAndLeavesTheNextFrameAlone)
{
    start(2);
    player::press(SDLK_SPACE, 0);
    const Pixels plain = shown();
    player::press(SDLK_F1, 0);
    const Pixels with_overlay = shown();
    bench::save("Player.Overlay");
    player::press(SDLK_PERIOD, 0);  // drawn straight after a frame with the overlay
    const Pixels next_with_overlay = shown();
    player::press(SDLK_F1, 0);
    const Pixels next = shown();

    const std::vector<Drawn> run = run_from_start(frame_index(2), frame_index(2) + 1);
    EXPECT_TRUE(run[0].pixels == plain);
    EXPECT_TRUE(run[1].pixels == next);
    const Changes overlay = changes(plain, with_overlay);
    EXPECT_GT(overlay.in_corner, width * height / 40);
    EXPECT_EQ(0, overlay.elsewhere);
    EXPECT_EQ(0, changes(next, next_with_overlay).elsewhere) << "the overlay left GL state behind";
}

}  // namespace
