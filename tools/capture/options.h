#pragma once

#include <string>
#include <vector>

#include "platform.h"

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
    int fps = 60;
    Tick start = 500;        // ms the demo's start-up is taken to last before its first frame
    double from = 0;         // first second that is kept; earlier frames are drawn, not kept
    double duration = -1;    // seconds kept; negative keeps everything to the end
    std::string output = "plums-under-glass.mp4";
    std::string music;       // empty: data/tapestrybeats.mp3 beside the capture program
    std::string raw;         // when set, raw rgb24 frames go here instead of a video
    std::vector<Shot> shots; // when any, only these PNGs are written
    bool help = false;
};

const char *usage();

// Fills options from the arguments; returns why they are unusable, or an
// empty string.
std::string parse_options(int argc, char **argv, Options &options);

// The frames to keep, [first, end), out of a timeline of total frames;
// returns why there are none, or an empty string.
std::string kept_frames(const Options &options, long total, long &first, long &end);

}  // namespace capture
