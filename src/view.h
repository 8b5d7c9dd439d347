#pragma once

// Sets the viewport, the one perspective every scene uses (x spans -1..1 at
// the near plane 5, y follows the window's shape, far plane 1000) and the
// base model-view matrix, a step of 100 units into the screen. The demo calls
// it once; scenes that do not load the identity draw relative to that base.
void setup_view(int width, int height);
