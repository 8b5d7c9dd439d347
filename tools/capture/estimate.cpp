#include "estimate.h"

#include <algorithm>

namespace capture {

namespace {

// Milliseconds a frame took in each second of the video, capturing the whole
// demo at 1280x720 and 30 fps to H.264 on two busy cores: drawing, reading
// back and encoding. Only the proportions matter.
constexpr int reference_ms[] = {
    17,  22,  22,  10,  12,  16,  14,  16,  162, 143, 163, 269, 339, 196, 229, 272, 279, 324, 480, 412, 305,
    384, 408, 337, 88,  65,  66,  98,  75,  73,  74,  134, 67,  59,  134, 159, 206, 127, 100, 100, 99,  140,
    115, 44,  16,  19,  16,  16,  15,  15,  21,  22,  24,  31,  18,  20,  15,  16,  23,  44,  39,  62,  83,
    107, 91,  132, 128, 133, 107, 47,  53,  76,  105, 100, 89,  98,  104, 53,  73,  76,  48,  15,  10,  16,
    147, 170, 160, 183, 187, 206, 162, 152, 176, 238, 321, 293, 230, 149, 108, 145, 132, 62,  17,  16,  19,
    21,  13,  17,  18,  30,  39,  66,  64,  140, 173, 299, 260, 342, 174, 119, 125, 164};
constexpr long reference_seconds = sizeof reference_ms / sizeof reference_ms[0];

// How much reference work of a scene its own measurements must cover to
// count as much as the rate seen over all scenes: a scene's first frames,
// with its set-up, say little about the rest of it.
constexpr double trust_after_s = 10;

}  // namespace

double reference_cost(double video_seconds)
{
    const long second = std::clamp(static_cast<long>(video_seconds), 0L, reference_seconds - 1);
    return reference_ms[second] / 1000.0;
}

PartWork work_between(const PartStarts &starts, Rate rate, long from, long end)
{
    PartWork work{};
    for (int part = 1; part < final_part; ++part)
        for (long n = std::max(from, starts[part]); n < std::min(end, starts[part + 1]); ++n)
            work[part] += reference_cost(frame_seconds(n, rate));
    return work;
}

double seconds_left(const SceneCosts &seen, const PartWork &left)
{
    double spent = 0, done = 0;
    for (const SceneCost &cost : seen) {
        spent += cost.seconds;
        done += cost.work;
    }
    if (done <= 0)
        return -1;
    const double rate = spent / done;
    double seconds = 0;
    for (int part = 0; part <= final_part; ++part) {
        const SceneCost &cost = seen[part];
        seconds += left[part] * (cost.seconds + rate * trust_after_s) / (cost.work + trust_after_s);
    }
    return seconds;
}

}  // namespace capture
