#include "timeline.h"

#include <cmath>

namespace offline {

namespace {

constexpr std::array<const char *, final_part + 1> scene_names = {
    "start-up", "decrunch", "logo", "cube field", "tile wave", "starfield", "picture", "end credits", "end"};

}  // namespace

double per_second(Rate rate) { return static_cast<double>(rate.num) / rate.den; }

Tick frame_tick(Tick start, Rate rate, long n)
{
    // Half a step's worth added before the division rounds to nearest.
    const long long twice_ms = 2000LL * n * rate.den + rate.num;
    return start + static_cast<Tick>(twice_ms / (2LL * rate.num));
}

PartStarts part_starts(Tick start, Rate rate)
{
    // Part 0 hands over to part 1 at the very first tick, before anything is
    // presented, so part 1 begins at the start tick.
    PartStarts starts{};
    int part = 1;
    Tick begin = start;
    for (long n = 0;; ++n) {
        const Tick now = frame_tick(start, rate, n);
        if (now - begin > partDuration[part]) {
            starts[++part] = n + 1;
            if (part == final_part)
                return starts;
            begin = now;
        }
    }
}

int next_frame(Step step)
{
    for (;;) {
        // Part 0 hands over to part 1 without a frame.
        const int part = currentPart;
        if (!(step == Step::draw ? draw_frame() : skip_frame()))
            return 0;
        if (part >= 1)
            return part;
    }
}

long timeline_frames(Tick start, Rate rate) { return part_starts(start, rate)[final_part]; }

const char *scene_name(int part)
{
    return part >= 0 && part <= final_part ? scene_names[part] : "?";
}

long frame_at(double seconds, Rate rate) { return std::lround(seconds * rate.num / rate.den); }

double frame_seconds(long n, Rate rate) { return static_cast<double>(n) * rate.den / rate.num; }

}  // namespace offline
