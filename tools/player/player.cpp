#include "player.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>

#include "offline.h"
#include "overlay.h"
#include "song.h"
#include "soundtrack.h"
#include "text.h"
#include "timeline.h"

namespace player {

namespace {

constexpr Tick first_tick = offline::default_start;
constexpr double seek_seconds = 5;
constexpr double fine_seek_seconds = 1;  // with Shift
constexpr double frame_time_smoothing = 0.1;  // weight of the newest frame in the average

// The demo's clock runs times/per as fast as the wall clock. Off the normal
// speed the music is silent.
struct Speed {
    Tick times, per;
    const char *name;
};
constexpr Speed speeds[] = {{1, 4, "1/4"}, {1, 2, "1/2"}, {1, 1, "1"}, {2, 1, "2"}};
constexpr int normal_speed = 2;

constexpr long unset = -1;  // an in or out point not set

struct State {
    Tick step;                        // fixed-step clock's step in ms; 0 follows the wall clock
    offline::Rate rate;               // of the capture's clock the seeks land on
    offline::PartStarts first_frame;  // the frame each part starts on; [final_part]: the end
    std::vector<double> bars, beats;  // seconds into the song at which each begins

    TickSource wall;
    Presenter show;
    const DemoCode *code;

    long frame;          // grid frame last drawn; -1 after a frame off the grid
    Tick tick;           // demo tick of the frame last drawn
    int part;            // part of the frame last drawn
    Tick anchor_wall;    // while playing, the demo tick is anchor_tick + (wall - anchor_wall) * speed
    Tick anchor_tick;
    int speed;           // index into speeds

    bool paused;
    bool ended;          // the timeline has run out; the last frame stands
    bool overlay;
    bool looping;
    int loop_part;       // the scene looped when no in or out point is set
    long in_point, out_point;  // grid frames, or unset

    double frame_ms;     // real time the last drawn frame took, smoothed while playing
    std::vector<std::string> notes;
    bool grab_next;      // the next frame presented is saved as a PNG
    std::string screenshot;
};

State s;

Tick grid_tick(long n) { return offline::frame_tick(first_tick, s.rate, n); }

long grid_frame_at(double seconds) { return offline::frame_at(seconds, s.rate); }

long last_grid_frame() { return s.first_frame[final_part] - 1; }

double seconds_of(Tick tick) { return (static_cast<double>(tick) - first_tick) / 1000; }

// The last grid frame at or before a tick.
long grid_frame_before(Tick tick)
{
    long n = std::max(0L, grid_frame_at(seconds_of(tick)) - 1);
    while (grid_tick(n + 1) <= tick)
        ++n;
    return n;
}

long here() { return s.frame >= 0 ? s.frame : grid_frame_before(s.tick); }

Tick clock_now()
{
    const Speed &speed = speeds[s.speed];
    return s.anchor_tick + (s.wall() - s.anchor_wall) * speed.times / speed.per;
}

// The clock goes on from the frame last drawn, from now.
void anchor()
{
    s.anchor_wall = s.wall();
    s.anchor_tick = s.tick;
}

void follow_with_music()
{
    if (s.paused || s.ended || s.speed != normal_speed)
        soundtrack::silence();
    else
        soundtrack::play_from(seconds_of(s.tick));
}

// Steps the timeline at the clock's tick until it has drawn (or skipped) one
// frame; part 0 hands over to part 1 without one. Returns the frame's part, or
// 0 once the demo has ended.
int next_frame(Step step)
{
    for (;;) {
        const int part = *s.code->current_part;
        if (!s.code->step(step))
            return 0;
        if (part >= 1)
            return part;
    }
}

void draw_at(Tick tick, bool smooth = false)
{
    offline::set_time(tick);
    const auto began = std::chrono::steady_clock::now();
    const int part = next_frame(Step::draw);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    if (part == 0) {
        s.ended = true;
        return;
    }
    s.frame_ms = smooth && s.frame_ms > 0 ? s.frame_ms + frame_time_smoothing * (ms - s.frame_ms) : ms;
    s.tick = tick;
    s.part = part;
}

// Replays the timeline from its start up to grid frame n, drawing only n.
void show_grid_frame(long n)
{
    n = std::clamp(n, 0L, last_grid_frame());
    s.code->rewind();
    for (long i = 0; i < n; ++i) {
        offline::set_time(grid_tick(i));
        next_frame(Step::skip);
    }
    s.ended = false;
    draw_at(grid_tick(n));
    s.frame = n;
}

void seek_to_frame(long n)
{
    show_grid_frame(n);
    anchor();
    follow_with_music();
}

void seek_by(double seconds) { seek_to_frame(here() + grid_frame_at(seconds)); }

void seek_to_scene(int part)
{
    if (part >= 1 && part < final_part)
        seek_to_frame(s.first_frame[part]);
}

// The frames looped, when looping.
bool loop_range(long &from, long &to)
{
    if (!s.looping)
        return false;
    if (s.in_point != unset || s.out_point != unset) {
        from = s.in_point != unset ? s.in_point : 0;
        to = s.out_point != unset ? s.out_point : last_grid_frame();
    } else {
        from = s.first_frame[s.loop_part];
        to = s.first_frame[s.loop_part + 1] - 1;
    }
    return true;
}

void toggle_pause()
{
    if (s.paused || s.ended) {
        s.paused = false;
        if (s.ended)
            show_grid_frame(0);
    } else {
        s.paused = true;
        // Paused frames stand on the grid, where they can be drawn again.
        show_grid_frame(here());
    }
    anchor();
    follow_with_music();
}

// One frame on or back, pausing first.
void step_frame(long by)
{
    const long target = std::clamp(here() + by, 0L, last_grid_frame());
    const bool next_on_grid = s.frame >= 0 && target == s.frame + 1 && !s.ended;
    s.paused = true;
    if (next_on_grid) {
        draw_at(grid_tick(target));
        s.frame = target;
    } else {
        show_grid_frame(target);
    }
    anchor();
    follow_with_music();
}

void change_speed(int by)
{
    s.speed = std::clamp(s.speed + by, 0, static_cast<int>(std::size(speeds)) - 1);
    anchor();
    follow_with_music();
}

// A point set where one stands already is taken away; the other point goes
// when the range would be empty.
void set_in_point()
{
    const long n = here();
    s.in_point = s.in_point == n ? unset : n;
    if (s.in_point != unset && s.out_point != unset && s.out_point <= s.in_point)
        s.out_point = unset;
    redraw();
}

void set_out_point()
{
    const long n = here();
    s.out_point = s.out_point == n ? unset : n;
    if (s.in_point != unset && s.out_point != unset && s.in_point >= s.out_point)
        s.in_point = unset;
    redraw();
}

void toggle_loop()
{
    s.looping = !s.looping;
    s.loop_part = s.part;
    redraw();
}

void toggle_overlay()
{
    s.overlay = !s.overlay;
    redraw();
}

// The frame as the capture renders it, under a name that says its moment and
// is not taken yet.
void save_frame()
{
    s.grab_next = true;
    show_grid_frame(here());
    anchor();
    follow_with_music();
}

std::string free_name(double seconds)
{
    char base[64];
    std::snprintf(base, sizeof base, "player-%.3fs", seconds);
    std::string name = std::string(base) + ".png";
    struct stat info;
    for (int i = 2; stat(name.c_str(), &info) == 0; ++i)
        name = std::string(base) + "-" + std::to_string(i) + ".png";
    return name;
}

void write_screenshot()
{
    offline::Frame frame;
    viewport_size(frame.width, frame.height);
    offline::read_back(frame);
    const std::string name = free_name(seconds_of(offline::time()));
    if (offline::write_png(frame, name.c_str())) {
        s.screenshot = name;
        std::printf("player: wrote %s\n", name.c_str());
    } else {
        std::fprintf(stderr, "player: could not write %s\n", name.c_str());
    }
}

TimelineBar timeline_bar()
{
    // At the frame being drawn, which may not be the one last drawn.
    const long playhead = grid_frame_before(offline::time());
    TimelineBar bar{&s.first_frame[1], final_part - 1, s.first_frame[final_part], playhead};
    loop_range(bar.loop_from, bar.loop_to);
    bar.in_point = s.in_point;
    bar.out_point = s.out_point;
    return bar;
}

// The frame's own presentation, with the screenshot taken and the overlay
// drawn over it first.
void present()
{
    if (s.grab_next) {
        s.grab_next = false;
        write_screenshot();
    }
    std::vector<std::string> lines = s.overlay ? readout() : std::vector<std::string>{};
    lines.insert(lines.end(), s.notes.begin(), s.notes.end());
    draw_overlay(lines);
    if (s.overlay)
        draw_timeline_bar(timeline_bar());
    s.show();
}

// Bar and beat of the soundtrack, both from 1, at a moment of the song.
void bar_and_beat(double seconds, long &bar, long &beat)
{
    bar = std::upper_bound(s.bars.begin(), s.bars.end(), seconds) - s.bars.begin();
    const double bar_start = bar > 0 ? s.bars[bar - 1] : 0;
    beat = std::upper_bound(s.beats.begin(), s.beats.end(), seconds) -
           std::lower_bound(s.beats.begin(), s.beats.end(), bar_start);
}

enum class Shift { any, without, with };

struct KeyAction {
    SDLKey key;
    Shift shift;
    void (*act)();
};

constexpr KeyAction key_actions[] = {
    {SDLK_SPACE, Shift::any, toggle_pause},
    {SDLK_LEFT, Shift::without, [] { seek_by(-seek_seconds); }},
    {SDLK_RIGHT, Shift::without, [] { seek_by(seek_seconds); }},
    {SDLK_LEFT, Shift::with, [] { seek_by(-fine_seek_seconds); }},
    {SDLK_RIGHT, Shift::with, [] { seek_by(fine_seek_seconds); }},
    {SDLK_PAGEUP, Shift::any, [] { seek_to_scene(s.part - 1); }},
    {SDLK_PAGEDOWN, Shift::any, [] { seek_to_scene(s.part + 1); }},
    {SDLK_COMMA, Shift::any, [] { step_frame(-1); }},
    {SDLK_PERIOD, Shift::any, [] { step_frame(1); }},
    {SDLK_LEFTBRACKET, Shift::any, [] { change_speed(-1); }},
    {SDLK_RIGHTBRACKET, Shift::any, [] { change_speed(1); }},
    {SDLK_i, Shift::any, set_in_point},
    {SDLK_o, Shift::any, set_out_point},
    {SDLK_l, Shift::any, toggle_loop},
    {SDLK_s, Shift::any, save_frame},
    {SDLK_F1, Shift::any, toggle_overlay},
};

}  // namespace

void start(const Settings &settings, const DemoCode *code, Presenter show)
{
    s = {};
    s.step = settings.step;
    s.rate = settings.step ? offline::Rate{1000, settings.step} : offline::Rate{seek_fps, 1};
    s.first_frame = offline::part_starts(first_tick, s.rate);
    s.bars = bar_starts();
    s.beats = beat_starts();
    s.wall = settings.wall;
    s.show = show;
    s.code = code;
    s.speed = normal_speed;
    s.in_point = s.out_point = unset;
    code->install(offline::time, present);
    // The overlay writes with the font before any scene has filled it.
    fill_glyphs();
    seek_to_frame(grid_frame_at(settings.at));
}

Request press(SDLKey key, SDLMod mod)
{
    if (key == SDLK_ESCAPE)
        return Request::quit;
    if (key == SDLK_r)
        return Request::reload;
    if (key >= SDLK_1 && key <= SDLK_7) {
        seek_to_scene(key - SDLK_0);
        return Request::none;
    }
    const Shift shift = mod & KMOD_SHIFT ? Shift::with : Shift::without;
    for (const KeyAction &action : key_actions)
        if (action.key == key && (action.shift == Shift::any || action.shift == shift)) {
            action.act();
            break;
        }
    return Request::none;
}

bool point_at(int x, int y)
{
    int width, height;
    viewport_size(width, height);
    if (!s.overlay || y < timeline_bar_top(height))
        return false;
    drag_to(x);
    return true;
}

void drag_to(int x)
{
    int width, height;
    viewport_size(width, height);
    seek_to_frame(timeline_bar_frame(s.first_frame[final_part], x, width));
}

bool update()
{
    if (s.paused || s.ended)
        return false;
    const Tick due = clock_now();
    if (due == s.tick)
        return false;
    long from, to;
    if (loop_range(from, to) && grid_frame_before(due) > to) {
        seek_to_frame(from);
        return true;
    }
    if (s.step) {
        const long n = grid_frame_before(due);
        if (n <= s.frame)
            return false;
        // Too slow to draw them all: the frames in between are skipped, and
        // the ones drawn stay the capture's.
        for (++s.frame; s.frame < n; ++s.frame) {
            offline::set_time(grid_tick(s.frame));
            next_frame(Step::skip);
        }
    } else {
        s.frame = -1;
    }
    draw_at(s.step ? grid_tick(s.frame) : due, true);
    if (s.ended)
        follow_with_music();
    return !s.ended;
}

void redraw()
{
    if (s.paused || s.ended)
        show_grid_frame(here());
}

void use_code(const DemoCode *code)
{
    s.code = code;
    s.notes.clear();
    code->install(offline::time, present);
    int width, height;
    viewport_size(width, height);
    code->setup_view(width, height);
    show_grid_frame(here());
    anchor();
    follow_with_music();
}

void show_notes(std::vector<std::string> lines)
{
    s.notes = std::move(lines);
    redraw();
}

void follow(const reload::Outcome &outcome)
{
    switch (outcome.event) {
    case reload::Event::none: break;
    case reload::Event::started: show_notes({"rebuilding the scenes"}); break;
    case reload::Event::loaded: use_code(outcome.code); break;
    case reload::Event::failed: show_notes(outcome.message); break;
    }
}

double demo_seconds() { return seconds_of(s.tick); }

int current_scene() { return s.part; }

bool paused() { return s.paused; }

std::vector<std::string> readout()
{
    // Read from the timeline, which moves on only after the frame.
    const int part = *s.code->current_part;
    const Tick tick = offline::time();
    const double at = seconds_of(tick);
    char scene[96], time[96], music[64], rate[48], range[64] = "";
    long from, to;
    if (loop_range(from, to))
        std::snprintf(range, sizeof range, "  loop %.3f-%.3f", seconds_of(grid_tick(from)),
                      seconds_of(grid_tick(to)));
    std::snprintf(scene, sizeof scene, "%d %s%s", part, offline::scene_name(part), range);
    const long scene_start = part >= 1 && part < final_part ? s.first_frame[part] : 0;
    std::snprintf(time, sizeof time, "at %.3f s  scene %.3f s%s%s%s", at,
                  (static_cast<double>(tick) - grid_tick(scene_start)) / 1000, s.paused || s.ended ? "  paused" : "",
                  s.speed != normal_speed ? "  speed " : "", s.speed != normal_speed ? speeds[s.speed].name : "");
    long bar, beat;
    bar_and_beat(at, bar, beat);
    std::snprintf(music, sizeof music, "bar %ld beat %ld", bar, beat);
    std::snprintf(rate, sizeof rate, "frame %.1f ms %.0f fps", s.frame_ms, s.frame_ms > 0 ? 1000 / s.frame_ms : 0.0);
    std::vector<std::string> lines = {scene, time, music, rate};
    if (s.in_point != unset || s.out_point != unset) {
        const auto at_point = [](long n, const char *none) {
            char text[32];
            std::snprintf(text, sizeof text, "%.3f", seconds_of(grid_tick(n)));
            return n == unset ? std::string(none) : std::string(text);
        };
        lines.push_back("in " + at_point(s.in_point, "start") + "  out " + at_point(s.out_point, "end"));
    }
    return lines;
}

const std::string &last_screenshot() { return s.screenshot; }

}  // namespace player
