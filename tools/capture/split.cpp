#include "split.h"

#include <algorithm>

#include "estimate.h"

namespace capture {

std::vector<Range> split_work(const offline::PartStarts &starts, offline::Rate rate, long pixels, long first,
                              long end, int jobs)
{
    jobs = static_cast<int>(std::clamp<long>(jobs, 1, end - first));
    std::vector<double> cost;
    double total = 0;
    int part = 1;
    for (long n = first; n < end; ++n) {
        while (part < final_part && n >= starts[part + 1])
            ++part;
        cost.push_back(reference_cost(offline::frame_seconds(n, rate), part, pixels));
        total += cost.back();
    }
    std::vector<Range> ranges;
    long begin = first;
    double done = 0;
    for (long n = first; n < end; ++n) {
        done += cost[n - first];
        const int cuts_left = jobs - 1 - static_cast<int>(ranges.size());
        // Cut once this range has its share, while every later range can still get a frame.
        if (cuts_left > 0 && done >= total * (ranges.size() + 1) / jobs && end - (n + 1) >= cuts_left) {
            ranges.push_back({begin, n + 1});
            begin = n + 1;
        }
    }
    ranges.push_back({begin, end});
    return ranges;
}

std::vector<Range> split_shots(const std::vector<long> &frames, int jobs)
{
    const long count = static_cast<long>(frames.size());
    jobs = static_cast<int>(std::clamp<long>(jobs, 1, count));
    std::vector<Range> ranges;
    for (long job = 0; job < jobs; ++job) {
        const long from = count * job / jobs, to = count * (job + 1) / jobs;
        ranges.push_back({frames[from], frames[to - 1] + 1});
    }
    return ranges;
}

long whole_prefix(const Range *ranges, const long *kept, int count)
{
    long frames = 0;
    for (int i = 0; i < count; ++i) {
        frames += kept[i];
        if (kept[i] < ranges[i].frames())
            break;
    }
    return frames;
}

}  // namespace capture
