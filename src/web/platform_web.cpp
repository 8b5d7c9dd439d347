#include "platform.h"

#include <emscripten.h>

#include "fixed_gl.h"

// The browser's side of the seam. The page shows a frame when its animation
// frame returns, so presenting only draws what the frame has batched.
namespace {

// Milliseconds since the page's time origin, as SDL counts from its start.
Tick page_ticks() { return static_cast<Tick>(emscripten_get_now()); }

TickSource tick_source = page_ticks;
Presenter presenter = fixed_gl_flush;

}  // namespace

Tick platform_ticks() { return tick_source(); }

void platform_present() { presenter(); }

void platform_install(TickSource ticks, Presenter present)
{
    tick_source = ticks ? ticks : page_ticks;
    presenter = present ? present : fixed_gl_flush;
}
