#pragma once

#include <string>

// What the capture tells the terminal while it works and when it is done.
namespace capture {

// "m:ss", or "h:mm:ss" from an hour on.
std::string clock_text(double seconds);

// One line of the progress display: frames done of total, a bar, the scene
// being drawn, frames per second and the time left.
std::string progress_line(long done, long total, const char *scene, double fps);

// Frames and wall-clock seconds spent on one scene.
struct SceneCost {
    long frames = 0;
    double seconds = 0;
};

// A table, one row per scene with frames, fps and capture seconds per second
// of the demo at the given frame rate.
std::string cost_report(const SceneCost *costs, int parts, int fps);

}  // namespace capture
