#pragma once

#include <cstdint>

// Milliseconds since SDL started. Differences of ticks are taken in unsigned
// 32-bit arithmetic, so they stay right across a wrap of the counter.
using Tick = std::uint32_t;

// The seam between the scenes and the outside world: scenes and the timeline
// read time and show a finished frame only through these two calls. The demo
// routes them to SDL_GetTicks and SDL_GL_SwapBuffers; tests and the capture
// tool install a virtual clock and a frame grabber, which makes every frame
// reproducible.
Tick platform_ticks();
void platform_present();

using TickSource = Tick (*)();
using Presenter = void (*)();

// Either argument may be null to put SDL's own call back in place.
void platform_install(TickSource ticks, Presenter present);
