#include "estimate.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace capture {

namespace {

// Milliseconds a frame took in each second of the video, capturing the whole
// demo at 1280x720 and 30 fps to H.264 on two busy cores (load 4 to 13):
// drawing, reading back and encoding, the mean of two runs. Only the
// proportions matter.
constexpr int reference_ms[] = {
    21,  18,  18,  12,  14,  17,  21,  22,  176, 229, 235, 300, 330, 263, 272, 312, 322, 293, 413, 377, 317,
    338, 345, 286, 75,  75,  60,  107, 87,  81,  65,  125, 62,  72,  122, 139, 158, 118, 104, 113, 117, 131,
    107, 44,  16,  15,  15,  15,  14,  15,  17,  19,  20,  24,  16,  18,  16,  17,  24,  44,  69,  103, 59,
    73,  62,  86,  89,  84,  73,  38,  41,  56,  69,  71,  64,  71,  80,  47,  56,  48,  32,  18,  19,  19,
    161, 163, 159, 171, 209, 178, 157, 150, 159, 219, 220, 197, 168, 129, 147, 177, 125, 66,  13,  13,  13,
    16,  13,  18,  21,  31,  51,  64,  104, 110, 145, 209, 184, 246, 163, 93,  106, 118};
constexpr long reference_seconds = sizeof reference_ms / sizeof reference_ms[0];
constexpr double reference_pixels = 1280 * 720;

// The share of each part's frame cost that grows with the pixels, from whole
// captures at 1280x720 and 1920x1080 (2.25 times the pixels), where a frame
// cost 1.98, 1.15, 1.75, 2.36, 2.38, 1.07 and 2.09 times as much.
constexpr std::array<double, final_part + 1> per_pixel_share = {0, 0.78, 0.12, 0.60, 1.0, 1.0, 0.06, 0.87, 0};

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

PartWork work_between(const PartStarts &starts, Rate rate, long pixels, long from, long end)
{
    PartWork work{};
    for (int part = 1; part < final_part; ++part)
        for (long n = std::max(from, starts[part]); n < std::min(end, starts[part + 1]); ++n)
            work[part] += reference_cost(frame_seconds(n, rate), part, pixels);
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
