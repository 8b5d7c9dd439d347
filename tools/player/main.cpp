// The coder's player: the demo in a window, with the keys of a video player,
// for looking at a scene while changing it.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL.h>
#include <SDL_mixer.h>

#include "music.h"
#include "offline.h"
#include "player.h"
#include "view.h"

namespace {

constexpr int exit_failed = 1;
constexpr int exit_usage = 2;
constexpr Tick max_step_ms = 10000;
constexpr double max_seconds = 1e6;
constexpr int max_side = 7680;
constexpr Uint32 idle_ms = 2;  // nothing due: give the processor back

constexpr const char *usage =
    "usage: player [options]\n"
    "Plays the demo in a window, with its music, for looking at a scene while changing it.\n"
    "  --size WxH     window size (1280x720)\n"
    "  --fullscreen   full screen at the desktop's size\n"
    "  --at SECONDS   start here (0)\n"
    "  --step MS      a fixed step between frames, as the capture's clock: every frame\n"
    "                 is the capture's frame at 1000/MS fps (default: the wall clock)\n"
    "  --music FILE   the soundtrack (data/tapestrybeats.mp3 beside this program)\n"
    "  -h, --help     this text\n"
    "Keys: Space pause, Left/Right seek 5 s, Page Up/Down or 1-7 a scene's start,\n"
    "L loop the scene, . one frame on while paused, F1 overlay, Escape quit.\n";

struct Options {
    int width = 1280;
    int height = 720;
    bool fullscreen = false;
    player::Settings settings;
    std::string music;
};

bool to_number(const char *text, double low, double high, double &value)
{
    char *end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return *text && !*end && errno == 0 && value >= low && value <= high;
}

// Returns why the arguments are unusable, or an empty string.
std::string parse(int argc, char **argv, Options &options, bool &help)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "-h" || name == "--help") {
            help = true;
            continue;
        }
        if (name == "--fullscreen") {
            options.fullscreen = true;
            continue;
        }
        if (name != "--size" && name != "--at" && name != "--step" && name != "--music")
            return "unknown option '" + name + "'";
        if (i + 1 == argc)
            return name + " needs a value";
        const char *value = argv[++i];
        double number = 0;
        if (name == "--size") {
            int width = 0, height = 0;
            char tail = 0;
            if (std::sscanf(value, "%dx%d%c", &width, &height, &tail) != 2 || width < 16 || height < 16 ||
                width > max_side || height > max_side)
                return std::string("--size wants WIDTHxHEIGHT, such as 1280x720, not '") + value + "'";
            options.width = width;
            options.height = height;
        } else if (name == "--at") {
            if (!to_number(value, 0, max_seconds, options.settings.at))
                return std::string("--at wants seconds from 0, not '") + value + "'";
        } else if (name == "--step") {
            if (!to_number(value, 1, max_step_ms, number) || number != static_cast<Tick>(number))
                return std::string("--step wants whole milliseconds from 1 to 10000, not '") + value + "'";
            options.settings.step = static_cast<Tick>(number);
        } else {
            options.music = value;
        }
    }
    return "";
}

// The music is a help, not a need: without it the player plays silently.
// The mixer plays from kept, which must outlive the music.
Mix_Music *open_music(const std::string &path, CheckedMusic &kept)
{
    if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) == -1) {
        std::fprintf(stderr, "player: no sound: %s\n", SDL_GetError());
        return nullptr;
    }
    kept = read_checked_music(path.c_str());
    if (!kept.refusal.empty()) {
        std::fprintf(stderr, "player: no music: %s\n", kept.refusal.c_str());
        return nullptr;
    }
    Mix_Music *music = music_from_memory(kept);
    if (!music)
        std::fprintf(stderr, "player: no music: %s\n", SDL_GetError());
    return music;
}

}  // namespace

int main(int argc, char **argv)
{
    Options options;
    bool help = false;
    const std::string wrong = parse(argc, argv, options, help);
    if (!wrong.empty()) {
        std::fprintf(stderr, "player: %s (player --help lists the options)\n", wrong.c_str());
        return exit_usage;
    }
    if (help) {
        std::fputs(usage, stdout);
        return 0;
    }

    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "player: cannot start SDL: %s\n", SDL_GetError());
        return exit_failed;
    }
    const Uint32 mode = SDL_OPENGL | (options.fullscreen ? SDL_FULLSCREEN : 0);
    SDL_Surface *screen = options.fullscreen ? SDL_SetVideoMode(0, 0, 0, mode)
                                             : SDL_SetVideoMode(options.width, options.height, 0, mode);
    if (!screen) {
        std::fprintf(stderr, "player: cannot open an OpenGL window: %s\n", SDL_GetError());
        SDL_Quit();
        return exit_failed;
    }
    SDL_WM_SetCaption("plums under glass: player", "player");
    setup_view(screen->w, screen->h);
    CheckedMusic soundtrack;  // what the mixer plays from, until Mix_FreeMusic
    Mix_Music *music =
        open_music(options.music.empty() ? offline::beside_program("data/tapestrybeats.mp3") : options.music, soundtrack);

    player::start(options.settings, music, SDL_GL_SwapBuffers, SDL_GetTicks());
    for (bool running = true; running;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT)
                running = false;
            else if (event.type == SDL_KEYDOWN)
                running = running && player::press(event.key.keysym.sym, SDL_GetTicks());
            else if (event.type == SDL_VIDEOEXPOSE)
                player::redraw();
        }
        if (running && !player::update(SDL_GetTicks()))
            SDL_Delay(idle_ms);
    }

    Mix_HaltMusic();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
    return 0;
}
