#include "player.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "offline.h"
#include "overlay.h"
#include "partit.h"
#include "text.h"
#include "timeline.h"

namespace player {

namespace {

constexpr Tick first_tick = offline::default_start;
constexpr double seek_seconds = 5;
constexpr double frame_time_smoothing = 0.1;  // weight of the newest frame in the average

struct State {
    Tick step;                      // fixed-step clock's step in ms; 0 follows the wall clock
    offline::Rate rate;             // of the capture's clock the seeks land on
    offline::PartStarts first_frame;  // the frame each part starts on; [final_part]: the end

    Presenter show;
    Mix_Music *music;

    long frame;          // grid frame last drawn; -1 after a frame off the grid
    Tick tick;           // demo tick of the frame last drawn
    int part;            // part of the frame last drawn
    Tick anchor_wall;    // while playing, the demo tick is anchor_tick + (wall - anchor_wall)
    Tick anchor_tick;

    bool paused;
    bool ended;          // the timeline has run out; the last frame stands
    bool overlay;
    int loop_part;       // 0: no loop
    Tick last_draw_wall;
    double frame_ms;     // smoothed wall time between drawn frames
};

State s;

Tick grid_tick(long n) { return offline::frame_tick(first_tick, s.rate, n); }

long grid_frame_at(double seconds) { return offline::frame_at(seconds, s.rate); }

double seconds_of(Tick tick) { return (static_cast<double>(tick) - first_tick) / 1000; }

// The last grid frame at or before a tick.
long grid_frame_before(Tick tick)
{
    long n = std::max(0L, grid_frame_at(seconds_of(tick)) - 1);
    while (grid_tick(n + 1) <= tick)
        ++n;
    return n;
}

void follow_with_music()
{
    if (!s.music)
        return;
    if (s.paused || s.ended) {
        Mix_PauseMusic();
        return;
    }
    // Playing again from the start of the file works whether or not the
    // music has ended in the meantime.
    Mix_PlayMusic(s.music, 1);
    Mix_SetMusicPosition(std::max(0.0, seconds_of(s.tick)));
}

void draw_at(Tick tick)
{
    offline::set_time(tick);
    const int part = offline::next_frame(Step::draw);
    if (part == 0) {
        s.ended = true;
        return;
    }
    s.tick = tick;
    s.part = part;
}

// Replays the timeline from its start up to grid frame n, drawing only n.
void show_grid_frame(long n)
{
    n = std::clamp(n, 0L, s.first_frame[final_part] - 1);
    rewind_demo();
    for (long i = 0; i < n; ++i) {
        offline::set_time(grid_tick(i));
        offline::next_frame(Step::skip);
    }
    s.ended = false;
    draw_at(grid_tick(n));
    s.frame = n;
}

void seek_to_frame(long n, Tick wall_now)
{
    show_grid_frame(n);
    s.anchor_wall = wall_now;
    s.anchor_tick = s.tick;
    follow_with_music();
}

void seek_to_scene(int part, Tick wall_now)
{
    if (part >= 1 && part < final_part)
        seek_to_frame(s.first_frame[part], wall_now);
}

void toggle_pause(Tick wall_now)
{
    if (s.paused || s.ended) {
        s.paused = false;
        if (s.ended)
            show_grid_frame(0);
        s.anchor_wall = wall_now;
        s.anchor_tick = s.tick;
    } else {
        s.paused = true;
        // Paused frames stand on the grid, where they can be drawn again.
        show_grid_frame(s.frame >= 0 ? s.frame : grid_frame_before(s.tick));
    }
    follow_with_music();
}

// The frame's own presentation, with the overlay drawn over it first.
void present()
{
    if (s.overlay) {
        char scene[48], time[48], rate[48];
        // Read from the timeline, which moves on only after the frame.
        std::snprintf(scene, sizeof scene, "%d %s%s", currentPart, offline::scene_name(currentPart),
                      s.loop_part ? "  loop" : "");
        std::snprintf(time, sizeof time, "at %ld ms%s", static_cast<long>(offline::time()) - first_tick,
                      s.paused || s.ended ? "  paused" : "");
        std::snprintf(rate, sizeof rate, "frame %.0f ms %.0f fps", s.frame_ms,
                      s.frame_ms > 0 ? 1000 / s.frame_ms : 0.0);
        const char *const lines[] = {scene, time, rate};
        draw_overlay(lines, 3);
    }
    s.show();
}

void note_frame_time(Tick wall_now)
{
    if (s.last_draw_wall != 0) {
        const double ms = wall_now - s.last_draw_wall;
        s.frame_ms = s.frame_ms == 0 ? ms : s.frame_ms + frame_time_smoothing * (ms - s.frame_ms);
    }
    s.last_draw_wall = wall_now;
}

bool passed_the_loop() { return s.loop_part != 0 && currentPart > s.loop_part; }

}  // namespace

void start(const Settings &settings, Mix_Music *music, Presenter show, Tick wall_now)
{
    s = {};
    s.step = settings.step;
    s.rate = settings.step ? offline::Rate{1000, settings.step} : offline::Rate{seek_fps, 1};
    s.first_frame = offline::part_starts(first_tick, s.rate);
    s.show = show;
    s.music = music;
    platform_install(offline::time, present);
    // The overlay writes with the font before any scene has filled it.
    fill_glyphs();
    seek_to_frame(grid_frame_at(settings.at), wall_now);
}

bool press(SDLKey key, Tick wall_now)
{
    const long frames_per_seek = grid_frame_at(seek_seconds);
    const long here = s.frame >= 0 ? s.frame : grid_frame_before(s.tick);
    switch (key) {
    case SDLK_ESCAPE: return false;
    case SDLK_SPACE: toggle_pause(wall_now); break;
    case SDLK_LEFT: seek_to_frame(here - frames_per_seek, wall_now); break;
    case SDLK_RIGHT: seek_to_frame(here + frames_per_seek, wall_now); break;
    case SDLK_PAGEUP: seek_to_scene(s.part - 1, wall_now); break;
    case SDLK_PAGEDOWN: seek_to_scene(s.part + 1, wall_now); break;
    case SDLK_l:
        s.loop_part = s.loop_part ? 0 : s.part;
        redraw();
        break;
    case SDLK_PERIOD:
        if (s.paused && s.frame + 1 < s.first_frame[final_part]) {
            draw_at(grid_tick(++s.frame));
            s.anchor_tick = s.tick;
        }
        break;
    case SDLK_F1:
        s.overlay = !s.overlay;
        redraw();
        break;
    default:
        if (key >= SDLK_1 && key <= SDLK_7)
            seek_to_scene(key - SDLK_0, wall_now);
        break;
    }
    return true;
}

bool update(Tick wall_now)
{
    if (s.paused || s.ended)
        return false;
    const Tick due = s.anchor_tick + (wall_now - s.anchor_wall);
    if (due == s.tick)
        return false;
    if (s.step) {
        const long n = grid_frame_before(due);
        if (n <= s.frame)
            return false;
        // Too slow to draw them all: the frames in between are skipped, and
        // the ones drawn stay the capture's.
        for (++s.frame; s.frame < n && !passed_the_loop(); ++s.frame) {
            offline::set_time(grid_tick(s.frame));
            offline::next_frame(Step::skip);
        }
    } else {
        s.frame = -1;
    }
    note_frame_time(wall_now);
    if (passed_the_loop()) {
        seek_to_scene(s.loop_part, wall_now);
        return true;
    }
    draw_at(s.step ? grid_tick(s.frame) : due);
    if (s.ended)
        follow_with_music();
    return !s.ended;
}

void redraw()
{
    if (s.paused || s.ended)
        show_grid_frame(s.frame >= 0 ? s.frame : grid_frame_before(s.tick));
}

double demo_seconds() { return seconds_of(s.tick); }

int current_scene() { return s.part; }

}  // namespace player
