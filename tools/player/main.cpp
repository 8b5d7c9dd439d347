// The coder's player: the demo in a window, with the keys of a video player,
// for looking at a scene while changing it.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL.h>

#include "music.h"
#include "offline.h"
#include "player.h"
#include "reload.h"
#include "soundtrack.h"
#include "standard_streams.h"
#include "timeline.h"
#include "view.h"

namespace {

constexpr int exit_failed = 1;
constexpr int exit_usage = 2;
constexpr Tick max_step_ms = 10000;
constexpr double max_seconds = 1e6;
constexpr int max_side = 7680;
constexpr Uint32 idle_ms = 2;  // nothing due: give the processor back

// The window when none is asked for: this size, or smaller in the same shape
// where the desktop, less a title bar and a panel, is smaller.
constexpr int default_width = 1280;
constexpr int default_height = 720;
constexpr int desktop_chrome = 64;  // px

constexpr const char *usage =
    "usage: player [options]\n"
    "Plays the demo in a window, with its music, for looking at a scene while changing it.\n"
    "  --size WxH     window size (1280x720, less where the desktop is smaller)\n"
    "  --fullscreen   full screen at the desktop's size\n"
    "  --at SECONDS   start here (0)\n"
    "  --step MS      a fixed step between frames, as the capture's clock: every frame\n"
    "                 is the capture's frame at 1000/MS fps (default: the wall clock)\n"
    "  --music FILE   the soundtrack (data/tapestrybeats.mp3 beside this program)\n"
    "  --watch        rebuild and reload the scenes whenever a file under src/ is saved\n"
    "  --version      the player's version\n"
    "  -h, --help     this text\n"
    "Keys: Space pause, Left/Right seek 5 s (with Shift 1 s), Page Up/Down or 1-7 a scene's\n"
    "start, , and . one frame back and on, [ and ] slower and faster, I and O in and out\n"
    "points, L loop them (or the scene), S save the frame as a PNG, R rebuild and reload\n"
    "the scenes, F1 overlay and timeline bar (click or drag on it to seek), Escape quit.\n";

struct Options {
    int width = 0;  // 0: fit the desktop
    int height = 0;
    bool fullscreen = false;
    bool watch = false;
    bool version = false;
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
        if (name == "-h" || name == "--help" || name == "--fullscreen" || name == "--watch" || name == "--version") {
            help = help || name == "-h" || name == "--help";
            options.fullscreen = options.fullscreen || name == "--fullscreen";
            options.watch = options.watch || name == "--watch";
            options.version = options.version || name == "--version";
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

SDL_Surface *open_window(const Options &options)
{
    if (options.fullscreen)
        return SDL_SetVideoMode(0, 0, 0, SDL_OPENGL | SDL_FULLSCREEN);
    int width = options.width, height = options.height;
    if (!width) {
        const SDL_VideoInfo *desktop = SDL_GetVideoInfo();
        double scale = 1;
        if (desktop && desktop->current_w > 0 && desktop->current_h > desktop_chrome)
            scale = std::min({scale, static_cast<double>(desktop->current_w) / default_width,
                              static_cast<double>(desktop->current_h - desktop_chrome) / default_height});
        width = static_cast<int>(default_width * scale);
        height = static_cast<int>(default_height * scale);
    }
    return SDL_SetVideoMode(width, height, 0, SDL_OPENGL);
}

// The music is a help, not a need: without it the player plays silently. It
// is decoded from the copy of the file that was checked, never from the file
// again.
void open_soundtrack(const std::string &path)
{
    const CheckedMusic music = read_checked_music(path.c_str());
    if (music.refusal) {
        std::fprintf(stderr, "player: no music: %s\n", music.refusal);
        return;
    }
    // Nothing past the demo's end is ever played.
    const offline::Rate rate;
    const double demo_seconds =
        offline::frame_seconds(offline::timeline_frames(offline::default_start, rate), rate) + 1;
    soundtrack::Samples samples;
    std::string why = soundtrack::decode(music.bytes, music.size, demo_seconds, samples);
    if (!why.empty()) {
        std::fprintf(stderr, "player: no music: %s: %s\n", path.c_str(), why.c_str());
        return;
    }
    why = soundtrack::open(std::move(samples));
    if (!why.empty())
        std::fprintf(stderr, "player: no sound: %s\n", why.c_str());
}

}  // namespace

int main(int argc, char **argv)
{
    fill_closed_standard_streams();
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
    if (options.version) {
        std::puts("player " PLAYER_VERSION " (plums under glass)");
        return 0;
    }

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "player: cannot start SDL: %s\n", SDL_GetError());
        return exit_failed;
    }
    SDL_Surface *screen = open_window(options);
    if (!screen) {
        std::fprintf(stderr, "player: cannot open an OpenGL window: %s\n", SDL_GetError());
        SDL_Quit();
        return exit_failed;
    }
    SDL_WM_SetCaption("plums under glass: player", "player");
    setup_view(screen->w, screen->h);
    open_soundtrack(options.music.empty() ? offline::beside_program("data/tapestrybeats.mp3") : options.music);

    const reload::Config build = {PLAYER_SOURCES, {CMAKE_COMMAND, "--build", PLAYER_BUILD_DIR, "--target", "demo_scenes"},
                                  SCENE_LIBRARY};
    const std::string unwatched = reload::setup(build, options.watch);
    if (!unwatched.empty())
        std::fprintf(stderr, "player: %s; R still rebuilds\n", unwatched.c_str());

    player::start(options.settings, demo_code(), SDL_GL_SwapBuffers);
    bool dragging = false;  // on the timeline bar, with the left button
    for (bool running = true; running;) {
        int dragged_to = -1;  // a drag's last place this turn: one seek for all of them
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                running = false;
            } else if (event.type == SDL_KEYDOWN) {
                const player::Request request = player::press(event.key.keysym.sym, event.key.keysym.mod);
                running = running && request != player::Request::quit;
                if (request == player::Request::reload)
                    reload::request();
            } else if (event.type == SDL_VIDEOEXPOSE) {
                player::redraw();
            } else if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT) {
                dragging = player::point_at(event.button.x, event.button.y);
            } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
                dragging = false;
            } else if (event.type == SDL_MOUSEMOTION && dragging) {
                dragged_to = event.motion.x;
            }
        }
        if (dragged_to >= 0)
            player::drag_to(dragged_to);
        player::follow(reload::poll());
        if (running && !player::update())
            SDL_Delay(idle_ms);
    }

    reload::stop();
    soundtrack::close();
    SDL_Quit();
    return 0;
}
