#pragma once

#include <string>
#include <vector>

#include "platform.h"
#include "timeline.h"

// The capture's command line. Times are seconds of the video: 0 is the
// first frame, where the demo starts its music.
namespace capture {

struct Shot {
    double seconds;
    std::string path;
};

struct Options {
    int width = 1920;
    int height = 1080;
    offline::Rate fps;
    Tick start = offline::default_start;
    double from = 0;         // first second that is kept; earlier frames are skipped, not drawn
    // The end of what is kept: at most one of these is set (not negative);
    // with none, everything to the end of the demo is kept.
    double duration = -1;    // seconds kept
    double to = -1;          // second of the video where keeping ends
    long frames = -1;        // frames kept
    std::string output;      // empty until parsed: then the default for the kind of video
    std::string music;       // empty: data/tapestrybeats.mp3 beside the capture program
    bool no_audio = false;
    bool master = false;     // lossless FFV1 + FLAC in Matroska instead of H.264 + AAC in mp4
    int crf = 18;            // x264's quality: 0 lossless, 51 worst
    // Measured on the whole demo at crf 18 against the lossless master: veryfast
    // takes 0.59 of medium's encoding time for 2 % more bytes and an SSIM 0.0008 lower.
    std::string preset = "veryfast";
    std::string raw;         // when set, raw rgb24 frames go here instead of a video
    std::vector<Shot> shots; // when any, only these PNGs are written
    int jobs = 0;            // workers, each rendering and encoding a stretch of its own; 0: one per core
    bool help = false;
    bool version = false;
};

// The most workers a capture runs.
constexpr int max_jobs = 64;

const char *usage();

// Fills options from the arguments; returns why they are unusable, or an
// empty string.
std::string parse_options(int argc, char **argv, Options &options);

// The frames to keep, [first, end), out of a timeline of total frames;
// returns why there are none, or an empty string.
std::string kept_frames(const Options &options, long total, long &first, long &end);

}  // namespace capture
