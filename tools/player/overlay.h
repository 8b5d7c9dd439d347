#pragma once

// Lines of text in the demo's segment font over the top left corner of the
// finished frame, on a dark band. Every piece of GL state it touches is put
// back, so the next frame starts from what the scene left.
void draw_overlay(const char *const *lines, int count);
