#include "player_bench.h"

#include <algorithm>

#include "demo_code.h"
#include "overlay.h"
#include "timeline.h"

namespace player_bench {

namespace {

constexpr offline::Rate rate = {1000, step};

Tick read_wall() { return wall_now; }

}  // namespace

Tick wall_now;

long frame_index(double seconds) { return offline::frame_at(seconds, rate); }

std::vector<Drawn> run_from_start(long from, long to)
{
    rewind_demo();
    std::vector<Drawn> frames;
    for (long n = 0; n <= to; ++n) {
        offline::set_time(offline::frame_tick(offline::default_start, rate, n));
        const int part = offline::next_frame();
        if (n >= from)
            frames.push_back({part, offline::last_frame().rgb});
    }
    return frames;
}

const Pixels &shown() { return offline::last_frame().rgb; }

bool play_until(Tick wall)
{
    bool drew = false;
    while (wall_now < wall) {
        wall_now = std::min(wall, wall_now + step);
        drew = player::update();
    }
    return drew;
}

Changes changes(const Pixels &a, const Pixels &b, int corner_width, int corner_height)
{
    Changes counted;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
            const bool changed = a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
            int &where = x < corner_width && y < corner_height ? counted.in_corner
                         : y >= timeline_bar_top(height) ? counted.on_bar
                                                          : counted.elsewhere;
            where += changed;
        }
    return counted;
}

void Player::start(double at, Tick step_ms, TickSource wall)
{
    wall_now = 0;
    player::Settings settings;
    settings.at = at;
    settings.step = step_ms;
    settings.wall = wall ? wall : read_wall;
    player::start(settings, demo_code(), offline::present);
}

}  // namespace player_bench
