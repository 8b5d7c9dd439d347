#include "estimate.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace capture {

namespace {

// Milliseconds a frame took in each second of the video, capturing the whole
// demo at 1280x720 and 30 fps to H.264 on an otherwise idle two-core machine:
// drawing, reading back and encoding. Only the proportions matter.
constexpr int reference_ms[] = {
    16,  14,  12,  11,  12,  12,  10,  7,   78,  106, 111, 112, 114, 114, 114, 128, 113, 115, 141, 153, 150,
    147, 137, 114, 40,  40,  33,  41,  44,  39,  39,  44,  28,  31,  40,  51,  52,  51,  54,  53,  54,  49,
    47,  29,  12,  11,  10,  12,  12,  13,  14,  14,  16,  16,  18,  17,  13,  18,  16,  23,  35,  33,  34,
    33,  33,  34,  36,  29,  30,  29,  28,  30,  32,  33,  30,  31,  29,  28,  29,  24,  15,  12,  13,  9,
    81,  79,  76,  79,  83,  86,  86,  84,  85,  80,  85,  87,  85,  81,  83,  82,  84,  52,  16,  10,  10,
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
