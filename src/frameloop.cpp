#include "frameloop.h"

#include <SDL.h>

bool quit_requested()
{
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE))
            quit = true;
    }
    if (SDL_GetKeyState(nullptr)[SDLK_ESCAPE])
        quit = true;
    return quit;
}

int run_frames(bool (*quit_check)(), int (*frame)())
{
    int frames = 0;
    for (;;) {
        const bool quit = quit_check();
        ++frames;
        if (!frame() || quit)
            return frames;
    }
}
