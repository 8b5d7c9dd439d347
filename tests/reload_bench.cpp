#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo_code.h"
#include "mp3_fixtures.h"
#include "offline.h"
#include "player.h"
#include "source_copy.h"

// From saving a one-line change in a scene to its new frame on the screen,
// with the player as it is built for coders, in a copy of the tree. Measures;
// judges nothing. The figure that counts is taken on an idle machine.
namespace {

constexpr int rounds = 5;

double cpu_ms_of_children()
{
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

TEST(ReloadCost, FromSavingAOneLineChangeToTheNewFrame)
{
    SourceCopy tree;
    ASSERT_EQ("", copy_and_build(RELOAD_TREE, tree));
    ASSERT_TRUE(offline::open_window(1280, 720)) << SDL_GetError();
    player::Settings settings;
    settings.at = 34;  // the tile wave
    player::start(settings, demo_code(), offline::present);
    player::press(SDLK_SPACE);
    ASSERT_EQ("", reload::setup(reload_config(tree), true));

    const std::string source = read_bytes(tree.scene);
    std::vector<double> wall_ms, cpu_ms;
    for (int round = 0; round < rounds; ++round) {
        const double cpu_before = cpu_ms_of_children();
        const auto saved = std::chrono::steady_clock::now();
        // A colour no compiler cache has seen, so that the scene is compiled.
        const std::string blue = std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
        write_bytes(tree.scene, with_clear_colour(source, "0, 0, 0." + blue + ", 1"));
        reload::Outcome outcome;
        auto built = saved;
        while (outcome.event != reload::Event::loaded && outcome.event != reload::Event::failed) {
            outcome = reload::poll();
            built = std::chrono::steady_clock::now();
            player::follow(outcome);
            SDL_Delay(2);  // the player's idle wait
        }
        ASSERT_EQ(reload::Event::loaded, outcome.event);
        const auto shown = std::chrono::steady_clock::now();
        wall_ms.push_back(std::chrono::duration<double, std::milli>(shown - saved).count());
        cpu_ms.push_back(cpu_ms_of_children() - cpu_before);
        std::printf("round %d: %.0f ms from saving to the new frame (the build and loading %.0f ms, the frame %.0f ms), "
                    "the build %.0f ms of CPU\n",
                    round + 1, wall_ms.back(), std::chrono::duration<double, std::milli>(built - saved).count(),
                    std::chrono::duration<double, std::milli>(shown - built).count(), cpu_ms.back());
    }
    std::ifstream load("/proc/loadavg");
    std::string loadavg;
    std::getline(load, loadavg);
    std::printf("save to new frame: median %.0f ms of %d (build CPU median %.0f ms); load average %s\n",
                median(wall_ms), rounds, median(cpu_ms), loadavg.c_str());
    std::filesystem::remove_all(tree.root);
}

}  // namespace
