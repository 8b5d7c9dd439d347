#include "tally.h"

#include <algorithm>
#include <cstdio>

#include "progress.h"

namespace capture {

namespace {

constexpr double progress_interval_s = 0.1;
constexpr double plain_interval_s = 10;
constexpr long plain_steps = 20;

long pixels(const Options &options) { return static_cast<long>(options.width) * options.height; }

// Reference work of the frames worker w has still to keep.
PartWork work_left(const Tally &tally, int w)
{
    const Options &options = *tally.options;
    const long from = tally.last[w] + 1, end = tally.ranges[w].end;
    if (tally.shots.empty())
        return work_between(tally.starts, options.fps, pixels(options), from, end);
    PartWork work{};
    for (long shot : tally.shots) {
        if (shot < from || shot >= end)
            continue;
        const PartWork one = work_between(tally.starts, options.fps, pixels(options), shot, shot + 1);
        for (std::size_t part = 0; part < work.size(); ++part)
            work[part] += one[part];
    }
    return work;
}

// The time left is that of the worker with the most still to do; part is
// the scene it is in.
double seconds_left(const Tally &tally, int &part)
{
    double longest = 0;
    for (std::size_t w = 0; w < tally.ranges.size(); ++w) {
        const PartWork work = work_left(tally, static_cast<int>(w));
        if (std::all_of(work.begin(), work.end(), [](double each) { return each == 0; }))
            continue;
        const double left = seconds_left(tally.costs, tally.paces[w], work);
        if (left < 0)
            return -1;
        if (left >= longest) {
            longest = left;
            part = tally.parts[w];
        }
    }
    return longest;
}

}  // namespace

std::vector<long> shot_frames(const Options &options)
{
    std::vector<long> frames;
    for (const Shot &shot : options.shots)
        frames.push_back(offline::frame_at(shot.seconds, options.fps));
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

Tally start_tally(const Options &options, const offline::PartStarts &starts, const std::vector<Range> &ranges)
{
    Tally tally;
    tally.options = &options;
    tally.starts = starts;
    tally.ranges = ranges;
    tally.shots = shot_frames(options);
    for (const Range &range : ranges) {
        tally.total += range.frames();
        tally.last.push_back(range.first - 1);
    }
    if (!tally.shots.empty())
        tally.total = static_cast<long>(tally.shots.size());
    tally.paces.resize(ranges.size());
    tally.parts.resize(ranges.size());
    tally.began = std::chrono::steady_clock::now();
    return tally;
}

void note_frame(Tally &tally, const Report &report, bool terminal)
{
    const int w = report.worker;
    const double work = reference_cost(offline::frame_seconds(report.frame, tally.options->fps), report.part,
                                       pixels(*tally.options));
    SceneCost &cost = tally.costs[report.part];
    cost.frames += 1;
    cost.seconds += report.seconds;
    cost.work += work;
    add_frame(tally.paces[w], report.seconds, work);
    tally.last[w] = report.frame;
    tally.parts[w] = report.part;
    ++tally.kept;

    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - tally.began).count();
    const long step = tally.kept * plain_steps / tally.total;
    const bool due = terminal ? elapsed - tally.shown_at >= progress_interval_s
                              : elapsed - tally.shown_at >= plain_interval_s || step > tally.shown_step;
    if (!due && tally.kept < tally.total)
        return;
    tally.shown_at = elapsed;
    tally.shown_step = step;
    int part = report.part;
    const double left = seconds_left(tally, part);
    const std::string line =
        progress_line(tally.kept, tally.total, offline::scene_name(part), tally.kept / elapsed, left);
    std::fprintf(stderr, terminal ? "\r%s\033[K" : "capture: %s\n", line.c_str());
}

}  // namespace capture
