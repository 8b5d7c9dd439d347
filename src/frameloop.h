#pragma once

// Drains SDL's event queue and samples the keyboard: true when a quit event
// or an Escape key-down was seen, or Escape is held right now. The key-down
// counts so that a tap shorter than a slow frame still ends the run.
bool quit_requested();

// Calls frame() once per iteration until it returns 0 or a quit request has
// been seen; the frame of the iteration that sees the request is still
// drawn. Returns the number of frame() calls.
int run_frames(bool (*quit_check)(), int (*frame)());
