#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "partit.h"
#include "platform.h"
#include "timeline.h"

// Offline playback: a virtual clock and a frame grabber plugged into the
// demo's seam, so that the frame drawn at a given tick is the same on every
// run. Shared by the tests and the capture tool.
namespace offline {

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // 3 bytes a pixel, rows from the top

    const std::uint8_t *pixel(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// Opens (or reopens at a new size) a window with an OpenGL context, sets the
// demo's view for it and installs the virtual clock and the grabber. SDL
// picks its video driver: X when there is a display, else its offscreen one
// (unless SDL_VIDEODRIVER says otherwise).
// Returns false, with SDL's error text in place, when it cannot.
bool open_window(int width, int height);

void set_time(Tick now);
void advance_time(Tick milliseconds);
Tick time();

// Reads the finished frame back, then shows it: what the clock and grabber
// install as the demo's presentation.
void present();

// Reads the frame being drawn, before it is shown, into a frame of the size
// it gives.
void read_back(Frame &frame);

// The frame most recently presented, read back before it was shown.
const Frame &last_frame();
long presented_frames();

bool write_png(const Frame &frame, const char *path);

// The path of a file in the folder of the running program, which is where
// the build puts the music (data/tapestrybeats.mp3).
std::string beside_program(const char *name);

}  // namespace offline
