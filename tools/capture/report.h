#pragma once

// What a worker tells the capture, one record per write on a pipe that all
// workers share: a pipe never splits a write this small, so records from
// different workers never mix.
namespace capture {

enum class Told { frame_kept, failed };

struct Report {
    int worker = 0;
    Told told = Told::frame_kept;
    long frame = 0;        // frame_kept: the frame's number in the video
    int part = 0;          // and the part it belongs to
    double seconds = 0;    // and the wall-clock seconds drawing and keeping it took
    char why[256] = {};    // failed: the reason
};

}  // namespace capture
