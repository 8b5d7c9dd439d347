#include "platform.h"

#include <SDL.h>

namespace {

TickSource tick_source = SDL_GetTicks;
Presenter presenter = SDL_GL_SwapBuffers;

}  // namespace

Tick platform_ticks() { return tick_source(); }

void platform_present() { presenter(); }

void platform_install(TickSource ticks, Presenter present)
{
    tick_source = ticks ? ticks : SDL_GetTicks;
    presenter = present ? present : SDL_GL_SwapBuffers;
}
