#include "timeline.h"

#include <array>
#include <cmath>

#include "partit.h"

namespace capture {

namespace {

constexpr std::array<const char *, final_part + 1> scene_names = {
    "start-up", "decrunch", "logo", "cube field", "tile wave", "starfield", "picture", "end credits", "end"};

}  // namespace

Tick frame_tick(Tick start, int fps, long n)
{
    // Half a step's worth added before the division rounds to nearest.
    const long long twice_ms = 2000LL * n + fps;
    return start + static_cast<Tick>(twice_ms / (2LL * fps));
}

long timeline_frames(Tick start, int fps)
{
    // Part 0 hands over to part 1 at the very first tick, before anything is
    // presented, so part 1 begins at the start tick.
    int part = 1;
    Tick begin = start;
    for (long n = 0;; ++n) {
        const Tick now = frame_tick(start, fps, n);
        if (now - begin > partDuration[part]) {
            if (++part == final_part)
                return n + 1;
            begin = now;
        }
    }
}

const char *scene_name(int part)
{
    return part >= 0 && part <= final_part ? scene_names[part] : "?";
}

long frame_at(double seconds, int fps) { return std::lround(seconds * fps); }

}  // namespace capture
