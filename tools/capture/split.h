#pragma once

#include <vector>

#include "timeline.h"

// How the kept frames are shared among workers. Each renders one contiguous
// range from its own start and encodes it alone; the pieces join in order.
namespace capture {

struct Range {
    long first = 0;  // the first frame of the video in it
    long end = 0;    // one past its last

    long frames() const { return end - first; }
};

// Splits the frames [first, end) into at most jobs ranges of about equal
// reference work at this size, in order and none empty.
std::vector<Range> split_work(const offline::PartStarts &starts, offline::Rate rate, long pixels, long first,
                              long end, int jobs);

// Shares out the frames of screenshots (in order, each once) among at most
// jobs ranges of about equal counts, each from its first shot to its last.
std::vector<Range> split_shots(const std::vector<long> &frames, int jobs);

// How many frames from the first on were all kept, when kept[i] frames from
// the start of ranges[i] were: every range up to the first one that is not
// whole, and that one's first frames. Safe in a signal handler.
long whole_prefix(const Range *ranges, const long *kept, int count);

}  // namespace capture
