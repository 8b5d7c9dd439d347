#include <filesystem>

#include "mp3_fixtures.h"
#include "player_bench.h"
#include "source_copy.h"

// Reload in place, in a copy of the source tree with a build of its own: a
// saved change to a scene shows at the same moment with the player's state
// kept; a syntax error keeps the code before it drawing and shows the
// compiler's error; the fix reloads.
namespace {

using namespace player_bench;

constexpr Uint32 build_timeout_ms = 300000;

// The player's loop, for as long as a build takes.
reload::Outcome built()
{
    for (const Uint32 until = SDL_GetTicks() + build_timeout_ms; SDL_GetTicks() < until; SDL_Delay(10)) {
        const reload::Outcome outcome = reload::poll();
        player::follow(outcome);
        if (outcome.event == reload::Event::loaded || outcome.event == reload::Event::failed)
            return outcome;
    }
    return {};
}

TEST_F(Player, ReloadShowsAChangedSceneWhereItWasAndABuildErrorOverTheCodeBefore)
{
    SourceCopy tree;
    ASSERT_EQ("", copy_and_build(RELOAD_TREE, tree));
    start(34);  // the tile wave, on white
    player::press(SDLK_SPACE);
    player::press(SDLK_l);
    player::press(SDLK_F1);
    const Pixels built_in = shown();
    ASSERT_EQ("", reload::setup(reload_config(tree), true));
    ASSERT_EQ(player::Request::reload, player::press(SDLK_r));
    reload::request();
    ASSERT_EQ(reload::Event::loaded, built().event);
    // The overlay's corner aside: it gives the time the frame took.
    const auto beside_the_readout = [](const Changes &c) { return c.elsewhere + c.on_bar; };
    EXPECT_EQ(0, beside_the_readout(changes(built_in, shown()))) << "the library draws what the program's own code does";

    const std::string blue = with_clear_colour(read_bytes(tree.scene), "0, 0, 1, 1");
    write_bytes(tree.scene, blue);
    ASSERT_EQ(reload::Event::loaded, built().event);
    const Pixels on_blue = shown();
    EXPECT_GT(changes(built_in, on_blue).elsewhere, width * height / 4);
    EXPECT_DOUBLE_EQ(34, player::demo_seconds());
    EXPECT_TRUE(player::paused());
    EXPECT_NE(std::string::npos, player::readout()[0].find("loop")) << player::readout()[0];
    player::press(SDLK_F1);
    EXPECT_GT(changes(on_blue, shown()).on_bar, 0) << "the overlay was still on";
    player::press(SDLK_F1);

    write_bytes(tree.scene, blue + "not a line of C++\n");
    const reload::Outcome failed = built();
    ASSERT_EQ(reload::Event::failed, failed.event);
    ASSERT_LT(1u, failed.message.size());
    EXPECT_EQ(0u, failed.message[1].find("tilewave.cpp:")) << failed.message[1];
    EXPECT_NE(std::string::npos, failed.message[1].find("error")) << failed.message[1];
    bench::save("Player.ReloadError");
    const Changes error = changes(on_blue, shown(), width, height / 2);
    EXPECT_GT(error.in_corner, width * 4) << "the error is shown";
    EXPECT_EQ(0, error.elsewhere + error.on_bar) << "the code before it draws on";

    write_bytes(tree.scene, blue);
    ASSERT_EQ(reload::Event::loaded, built().event);
    EXPECT_EQ(0, beside_the_readout(changes(on_blue, shown()))) << "fixed, and the error gone";
    std::filesystem::remove_all(tree.root);
}

}  // namespace
