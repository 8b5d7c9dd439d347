#pragma once

#include <string>
#include <vector>

// What the player draws over the finished frame. Every piece of GL state it
// touches is put back, so the next frame starts from what the scene left.

// The size of the window the frame is drawn for.
void viewport_size(int &width, int &height);

// Lines of text in the demo's segment font, upper case drawn as lower case
// and the punctuation of compiler messages added, over the top left corner
// on a dark band.
void draw_overlay(const std::vector<std::string> &lines);

// The timeline along the bottom of the window, in frames of the whole run.
struct TimelineBar {
    const long *scene_starts;  // the first frame of each scene, ascending
    int scenes;
    long frames;               // the end of the last scene
    long playhead;
    long loop_from = -1, loop_to = -1;  // frames looped, -1 when none
    long in_point = -1, out_point = -1;
};
void draw_timeline_bar(const TimelineBar &bar);

// Rows of a window of this height, from the top, that the bar covers.
int timeline_bar_top(int window_height);

// The frame under x on the bar of a window this wide, for a run of this many frames.
long timeline_bar_frame(long frames, int x, int window_width);
