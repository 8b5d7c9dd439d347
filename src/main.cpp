// A real-time demo: a full-screen OpenGL window at the desktop's resolution,
// one piece of music and seven timed scenes, about 121 seconds in all.
// Escape or closing the window ends it early.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include "frameloop.h"
#include "music.h"
#include "partit.h"
#include "standard_streams.h"
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

// SDL's drivers that open a window nobody sees. SDL falls back to them by
// itself when no display can be opened.
constexpr const char *unseen_drivers[] = {"offscreen", "dummy"};
constexpr const char *display_variables[] = {"DISPLAY", "WAYLAND_DISPLAY"};

// True when SDL_VIDEODRIVER, a comma-separated list, names the driver.
bool driver_asked_for(const char *driver)
{
    const char *asked = std::getenv("SDL_VIDEODRIVER");
    for (const char *item = asked; item && *item;) {
        const std::size_t length = std::strcspn(item, ",");
        if (length == std::strlen(driver) && strncasecmp(item, driver, length) == 0)
            return true;
        item += length + (item[length] == ',');
    }
    return false;
}

// Why the window SDL opened cannot stand in for the screen, or null when it can.
const char *unseen_window_reason()
{
    char driver[32];
    if (!SDL_VideoDriverName(driver, sizeof driver))
        return nullptr;
    bool unseen = false;
    for (const char *name : unseen_drivers)
        unseen = unseen || std::strcmp(driver, name) == 0;
    if (!unseen || driver_asked_for(driver))
        return nullptr;

    char missing[128] = "no display is set (neither DISPLAY nor WAYLAND_DISPLAY)";
    for (const char *variable : display_variables) {
        const char *value = std::getenv(variable);
        if (value && *value) {
            std::snprintf(missing, sizeof missing, "the display %s=%s could not be opened", variable, value);
            break;
        }
    }
    static char reason[320];
    std::snprintf(reason, sizeof reason,
                  "%s, so SDL chose its %s video driver and nobody would see the demo; start it on a desktop, "
                  "or set SDL_VIDEODRIVER=%s to run it unseen",
                  missing, driver, driver);
    return reason;
}

}  // namespace

int main(int, char **)
{
    fill_closed_standard_streams();
    SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO);
    if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) == -1)
        fail(stdout, "Mix_OpenAudio: %s\n", false);
    // Zero size and depth ask for the desktop's current mode.
    SDL_Surface *screen = SDL_SetVideoMode(0, 0, 0, SDL_OPENGL | SDL_FULLSCREEN);
    if (!screen)
        fail(stderr, "Couldn't set GL video mode: %s\n", true);
    if (const char *reason = unseen_window_reason()) {
        SDL_SetError("%s", reason);
        fail(stderr, "Couldn't set GL video mode: %s\n", true);
    }
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
