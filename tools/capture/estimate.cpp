#include "estimate.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace capture {

namespace {

// Milliseconds a frame took in each second of the video, capturing the whole
// demo at 1280x720 and 30 fps to H.264 on an otherwise idle two-core machine
// in one process: drawing, reading back and encoding. Each scene's share was
// then set again from two captures with a worker per core, as the capture
// runs by default: there a frame of the decrunch screen costs half as much
// again, one of the tile wave two thirds as much. Only the proportions matter.
constexpr int reference_ms[] = {
    24,  21,  18,  16,  18,  18,  15,  10,  85,  115, 121, 122, 124, 124, 124, 139, 123, 125, 153, 166, 163,
    160, 149, 124, 35,  35,  29,  36,  38,  34,  34,  38,  24,  21,  28,  35,  36,  35,  37,  37,  37,  52,
    50,  31,  13,  12,  11,  13,  13,  14,  15,  15,  17,  17,  19,  18,  14,  19,  17,  24,  37,  35,  36,
    35,  35,  36,  38,  31,  32,  31,  29,  32,  34,  35,  32,  33,  31,  29,  31,  25,  16,  13,  14,  9,
    75,  74,  71,  74,  77,  80,  80,  78,  79,  75,  79,  81,  79,  75,  77,  76,  78,  48,  16,  10,  10,
    17,  18,  17,  21,  24,  30,  31,  34,  39,  43,  52,  54,  61,  65,  44,  45,  47};
constexpr long reference_seconds = sizeof reference_ms / sizeof reference_ms[0];
constexpr double reference_pixels = 1280 * 720;

// The share of each part's frame cost that grows with the pixels, from whole
// captures at 1280x720 and 1920x1080 (2.25 times the pixels) on an idle
// machine, where a frame cost 2.01, 1.16, 1.91, 1.59, 1.72, 1.29 and 1.91
// times as much.
constexpr std::array<double, final_part + 1> per_pixel_share = {0, 0.81, 0.13, 0.73, 0.47, 0.58, 0.23, 0.73, 0};

// How much reference work of a scene its own measurements must cover to
// count as much as the pace lately: a scene's first frames, with its set-up,
// say little about the rest of it.
constexpr double trust_after_s = 30;

// Frames drawn this long ago count 1/e as much in the pace.
constexpr double pace_memory_s = 60;

}  // namespace

double reference_cost(double video_seconds, int part, long pixels)
{
    const long second = std::clamp(static_cast<long>(video_seconds), 0L, reference_seconds - 1);
    const double share = per_pixel_share[std::clamp(part, 0, final_part)];
    return reference_ms[second] / 1000.0 * (1 - share + share * static_cast<double>(pixels) / reference_pixels);
}

PartWork work_between(const offline::PartStarts &starts, offline::Rate rate, long pixels, long from, long end)
{
    PartWork work{};
    for (int part = 1; part < final_part; ++part)
        for (long n = std::max(from, starts[part]); n < std::min(end, starts[part + 1]); ++n)
            work[part] += reference_cost(offline::frame_seconds(n, rate), part, pixels);
    return work;
}

void add_frame(Pace &pace, double seconds, double work)
{
    const double kept = std::exp(-seconds / pace_memory_s);
    pace.seconds = pace.seconds * kept + seconds;
    pace.work = pace.work * kept + work;
}

double seconds_left(const SceneCosts &seen, const Pace &pace, const PartWork &left)
{
    if (pace.work <= 0)
        return -1;
    const double rate = pace.seconds / pace.work;
    double seconds = 0;
    for (int part = 0; part <= final_part; ++part) {
        const SceneCost &cost = seen[part];
        seconds += left[part] * (cost.seconds + rate * trust_after_s) / (cost.work + trust_after_s);
    }
    return seconds;
}

}  // namespace capture
