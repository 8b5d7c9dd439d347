#pragma once

#include <string>
#include <vector>

#include "encode.h"
#include "options.h"
#include "split.h"

// The encoders' keeper: a process of the capture's own, in a process group
// of its own out of the terminal's reach, that runs one ffmpeg per range,
// each encoding the frames its worker draws, and one for the music. Once the
// capture gives its verdict, the keeper waits for them, joins their pieces,
// checks the video and puts it in place, or removes it all. A stopped
// capture can so end within a second while ffmpeg finishes what it was
// given: the keeper outlives it.
namespace capture {

constexpr char keep_verdict = 'k';  // anything else, or none, drops the video

// Sent whole in one write, which a pipe never splits.
struct Verdict {
    char keep = 0;                // keep_verdict to keep
    long frames[max_jobs] = {};   // frames each range's worker kept, from its start
};

// An encoder or a join still busy this long after the verdict is taken for
// stuck: it is killed and its file removed. A verdict to drop the video
// kills them at once.
constexpr int finish_limit_s = 120;

struct Encoding {
    Video video;
    std::vector<Range> ranges;
    std::string partial;              // the video, written here, then renamed to target
    std::string target;
    // When there are several ranges: a piece for each, one for the music
    // (empty without), and the list that joins them.
    std::vector<std::string> pieces;
    std::string sound;
    std::string list;
};

// Starts the keeper; range i's frames go to frames[i]. Returns an error
// text, or an empty string.
std::string start_keeper(const Encoding &encoding, std::vector<int> &frames);

// Gives the keeper its verdict, with the frames noted as kept, and waits for
// the outcome. True when the video was kept and stands at its target.
bool end_keeper(bool keep);

}  // namespace capture
