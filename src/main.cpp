// A real-time demo: a full-screen OpenGL window at the desktop's resolution,
// one piece of music and seven timed scenes, about 121 seconds in all.
// Escape or closing the window ends it early.

#include <cstdio>
#include <cstdlib>

#include <SDL.h>
#include <SDL_mixer.h>

#include "frameloop.h"
#include "music.h"
#include "partit.h"
#include "view.h"

namespace {

constexpr int exit_startup_failure = 2;

[[noreturn]] void fail(std::FILE *stream, const char *format, bool quit_sdl)
{
    std::fprintf(stream, format, SDL_GetError());
    if (quit_sdl)
        SDL_Quit();
    std::exit(exit_startup_failure);
}

}  // namespace

int main(int, char **)
{
    SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO);
    if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) == -1)
        fail(stdout, "Mix_OpenAudio: %s\n", false);
    // Zero size and depth ask for the desktop's current mode.
    SDL_Surface *screen = SDL_SetVideoMode(0, 0, 0, SDL_OPENGL | SDL_FULLSCREEN);
    if (!screen)
        fail(stderr, "Couldn't set GL video mode: %s\n", true);
    SDL_WM_SetCaption("demo", "demo");
    setup_view(screen->w, screen->h);

    Mix_Music *music = load_music();
    if (music)
        Mix_PlayMusic(music, 1);
    SDL_ShowCursor(SDL_DISABLE);

    run_frames(quit_requested, draw_frame);

    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_ShowCursor(SDL_ENABLE);
    SDL_Quit();
    return 0;
}
