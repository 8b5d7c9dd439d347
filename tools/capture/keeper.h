#pragma once

// The encoder's keeper: a process of its own between the capture and ffmpeg,
// in ffmpeg's process group, out of the terminal's reach. It waits for ffmpeg
// to finish the video and then puts it in place, or removes it, as the
// capture says. A stopped capture can so end within a second while ffmpeg
// finishes what it was given: the keeper outlives it.
namespace capture {

// argv[1] of the keeper, which is the capture program run again:
// capture --keep-encoder PARTIAL TARGET FFPROBE FFMPEG ARGUMENTS...
constexpr const char keeper_mode[] = "--keep-encoder";

// The keeper's descriptors besides ffmpeg's standard input (0, the frames):
// the verdict comes in on one, once the frames are all written, and the
// outcome goes back on the other.
constexpr int verdict_fd = 3;
constexpr int outcome_fd = 4;
constexpr char keep_verdict = 'k';     // anything else, or none, drops the video
constexpr char renamed_outcome = 'r';  // anything else: no video

// Sent whole in one write, which a pipe never splits.
struct Verdict {
    char keep;    // keep_verdict to keep
    long frames;  // what the video must then hold
};

// An encoder still busy this long after the verdict is taken for stuck:
// it is killed and its file removed. A verdict to drop the video kills it
// at once.
constexpr int finish_limit_s = 120;

// The keeper's whole life; returns its exit status.
int keep_encoder(char **argv);

}  // namespace capture
