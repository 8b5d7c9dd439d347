#include <unistd.h>

#include <cstdint>
#include <vector>

#include "mp3_fixtures.h"
#include "player_bench.h"
#include "timeline.h"

// The player driven through its keys on a virtual wall clock, its frames
// compared with those of a run that draws every frame from the start.
namespace {

using namespace player_bench;

TEST_F(Player, SeeksLandOnTheFrameARunFromTheStartDrawsThere)
{
    start(0);
    player::press(SDLK_5);
    const long scene_start = frame_index(player::demo_seconds());
    const Pixels at_scene_start = shown();
    player::press(SDLK_RIGHT);
    EXPECT_EQ(scene_start + frame_index(5), frame_index(player::demo_seconds()));
    const Pixels five_seconds_in = shown();
    player::press(SDLK_LEFT);
    player::press(SDLK_LEFT);
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
    play_until(1000);
    player::press(SDLK_SPACE);
    const long presented = offline::presented_frames();
    wall_now = 5000;
    EXPECT_FALSE(player::update());
    EXPECT_EQ(presented, offline::presented_frames());
    EXPECT_DOUBLE_EQ(1.0, player::demo_seconds());
    const Pixels paused = shown();

    player::press(SDLK_PERIOD);
    const Pixels stepped = shown();
    player::press(SDLK_SPACE);
    EXPECT_TRUE(play_until(5000 + step));
    EXPECT_DOUBLE_EQ(2.0, player::demo_seconds());

    const std::vector<Drawn> run = run_from_start(frame_index(1.0), frame_index(2.0));
    EXPECT_TRUE(run[0].pixels == paused);
    EXPECT_TRUE(run[1].pixels == stepped);
    EXPECT_TRUE(run[2].pixels == shown());
}

// Something done to the player: a key, or a press on the timeline bar.
struct Act {
    SDLKey key;
    SDLMod mod = KMOD_NONE;
    int bar_x = -1;  // a press on the bar's row at this x instead of a key
};
constexpr Act shift(SDLKey key) { return {key, KMOD_LSHIFT}; }
constexpr Act bar_press(int x) { return {SDLK_UNKNOWN, KMOD_NONE, x}; }

TEST_F(Player, KeysAndTheBarLandOnTheCapturesFrameOnTheVirtualWallClock)
{
    const double an_eighth_in = (offline::timeline_frames(offline::default_start, {1000, step}) / 8) * step / 1000.0;
    struct Case {
        const char *what;
        double at;  // s, where it starts playing
        std::vector<Act> acts;
        Tick played;    // wall ms played after them
        double moment;  // s, of the frame shown then
        bool paused;
    };
    const Case cases[] = {
        {", steps one frame back, pausing", 3, {{SDLK_COMMA}}, 1000, 2.5, true},
        {". steps one frame on, pausing", 3, {{SDLK_PERIOD}}, 0, 3.5, true},
        {". then , is back where it began", 3, {{SDLK_PERIOD}, {SDLK_COMMA}}, 0, 3.0, true},
        {"Shift+Right seeks 1 s on", 3, {shift(SDLK_RIGHT)}, 0, 4.0, false},
        {"Shift+Left seeks 1 s back", 3, {shift(SDLK_LEFT)}, 0, 2.0, false},
        {"[ plays at half speed", 3, {{SDLK_LEFTBRACKET}}, 2000, 4.0, false},
        {"[ three times stops at a quarter", 3, {{SDLK_LEFTBRACKET}, {SDLK_LEFTBRACKET}, {SDLK_LEFTBRACKET}}, 2000, 3.5,
         false},
        {"] twice stops at twice the speed", 3, {{SDLK_RIGHTBRACKET}, {SDLK_RIGHTBRACKET}}, 1000, 5.0, false},
        {"L loops the scene from its start", 7, {{SDLK_l}}, 2000, 0.0, false},
        {"I, O and L loop the range", 3, {{SDLK_i}, shift(SDLK_RIGHT), {SDLK_o}, {SDLK_l}}, 1000, 3.5, false},
        {"O alone loops from the start", 3, {{SDLK_o}, {SDLK_l}}, 1000, 0.5, false},
        {"I twice takes the point away again", 3, {{SDLK_i}, {SDLK_i}, {SDLK_l}}, 6500, 0.5, false},
        {"a press on the hidden bar does nothing", 3, {bar_press(width / 8)}, 0, 3.0, false},
        {"a press an eighth along the bar seeks an eighth in", 3, {{SDLK_F1}, bar_press(width / 8)}, 0, an_eighth_in,
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        start(c.at);
        for (const Act &act : c.acts) {
            if (act.bar_x >= 0)
                player::point_at(act.bar_x, height - 1);
            else
                player::press(act.key, act.mod);
        }
        play_until(c.played);
        EXPECT_DOUBLE_EQ(c.moment, player::demo_seconds());
        EXPECT_EQ(c.paused, player::paused());
        const long frame = frame_index(player::demo_seconds());
        EXPECT_TRUE(run_from_start(frame, frame)[0].pixels == shown());
    }
}

TEST_F(Player, ReadoutGivesTheSceneTimeTheBeatAndTheRealFrameTime)
{
    start(0, wall_clock);
    player::press(SDLK_3);
    // The cut to the cube field falls on the first beat of a bar; a beat is
    // about 0.43 s long.
    const std::vector<std::string> at_cut = player::readout();
    EXPECT_NE(std::string::npos, at_cut[1].find("scene 0.000 s")) << at_cut[1];
    EXPECT_EQ(0u, at_cut[2].find("bar ")) << at_cut[2];
    EXPECT_NE(std::string::npos, at_cut[2].find(" beat 1")) << at_cut[2];
    player::press(SDLK_RIGHT, KMOD_LSHIFT);
    const std::vector<std::string> later = player::readout();
    EXPECT_NE(std::string::npos, later[1].find("scene 1.000 s")) << later[1];
    EXPECT_EQ(at_cut[2].substr(0, at_cut[2].find(" beat")) + " beat 3", later[2]);

    // A long pause is not a slow frame.
    player::press(SDLK_SPACE);
    wall_now = 8000;
    player::press(SDLK_SPACE);
    play_until(8100);
    double frame_ms = 0;
    ASSERT_EQ(1, std::sscanf(player::readout()[3].c_str(), "frame %lf ms", &frame_ms)) << player::readout()[3];
    EXPECT_LT(frame_ms, 1000);
}

TEST_F(Player, SWritesTheCapturesFrameUnderANameOfItsMomentAndKeepsOlderOnes)
{
    const std::string dir = make_temp_dir();
    ASSERT_EQ(0, chdir(dir.c_str()));
    start(3);
    offline::Frame captured{width, height, run_from_start(frame_index(3), frame_index(3))[0].pixels};
    ASSERT_TRUE(offline::write_png(captured, "captured.png"));
    player::press(SDLK_F1);  // not in the frame written
    player::press(SDLK_s);
    player::press(SDLK_s);
    EXPECT_EQ("player-3.000s-2.png", player::last_screenshot());
    EXPECT_EQ(read_bytes("captured.png"), read_bytes("player-3.000s.png"));
    EXPECT_EQ(read_bytes("captured.png"), read_bytes("player-3.000s-2.png"));
}

TEST_F(Player, OverlayIsDrawnOverTheCornerOnlyWhenAskedAndLeavesTheNextFrameAlone)
{
    start(2);
    player::press(SDLK_SPACE);
    const Pixels plain = shown();
    player::press(SDLK_F1);
    const Pixels with_overlay = shown();
    bench::save("Player.Overlay");
    player::press(SDLK_PERIOD);  // drawn straight after a frame with the overlay
    const Pixels next_with_overlay = shown();
    player::press(SDLK_F1);
    const Pixels next = shown();

    const std::vector<Drawn> run = run_from_start(frame_index(2), frame_index(2) + 1);
    EXPECT_TRUE(run[0].pixels == plain);
    EXPECT_TRUE(run[1].pixels == next);
    const Changes overlay = changes(plain, with_overlay);
    EXPECT_GT(overlay.in_corner, width * height / 40);
    EXPECT_GT(overlay.on_bar, width * 4);
    EXPECT_EQ(0, overlay.elsewhere);
    const Changes after = changes(next, next_with_overlay);
    EXPECT_EQ(0, after.elsewhere) << "the overlay left GL state behind";
}

}  // namespace
