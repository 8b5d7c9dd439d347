#include "starfield.h"

#include <cmath>
#include <cstdlib>

#include <GL/gl.h>

#include "scenes.h"
#include "text.h"

namespace {

// Everything that persists across frames, the frame routine's own carried
// values included, so the tests can look at it.
StarfieldState sf;

constexpr std::array<const char *, 11> greets = {
    "kilven", "qro", "marvoke", "zup", "dvo", "telko", "orbalunti", "yek", "sorvanti", "pilkovaratus", "glimmerfox",
};

// Time windows, in ms of the scene's own clock; all bounds are exclusive.
constexpr Tick ship_from = 3000;
constexpr Tick commander_from = 8000;
constexpr Tick commander_until = 10000;
constexpr Tick labels_from = 18000;
constexpr Tick labels_until = 38000;
constexpr Tick locks_from = 20000;
constexpr Tick warp_from = 40000;

// The stars span -100..98 on each axis; a star passing 100 comes round again.
constexpr int field_cells = 100;
constexpr float field_edge = 100;

constexpr float flash_from = 450;  // stretch, which grows by one a millisecond of warp
constexpr float gone_from = 500;

// The ship, nose along +y, top along +z, tail plane at y = 0.
struct Vertex {
    float x, y, z;
};
constexpr std::array<Vertex, 28> v = {{
    {0, 0, 1},          {2, 0, 0.7f},        {3, 0, 0},           {3, 1, 0},           {1, 3, 0},
    {0, 1.5f, 1},       {-1, 3, 0},          {-2, 0, 0.7f},       {-3, 1, 0},          {-3, 0, 0},
    {1, 0, -1},         {1, 3, 0},           {-1, 3, 0},          {-1, 0, -1},         {0.2f, -0.01f, -0.5f},
    {1, -0.01f, -0.3f}, {1, -0.01f, 0.3f},   {0.2f, -0.01f, 0.5f}, {-0.2f, -0.01f, -0.5f}, {-1, -0.01f, -0.3f},
    {-1, -0.01f, 0.3f}, {-0.2f, -0.01f, 0.5f}, {1.8f, -0.01f, -0.15f}, {1.8f, -0.01f, 0.15f}, {2.2f, -0.01f, 0},
    {-1.8f, -0.01f, -0.15f}, {-1.8f, -0.01f, 0.15f}, {-2.2f, -0.01f, 0},
}};

// Three corners into v and a shade code. The last six, just behind the tail
// plane, are the engine glow, which shows over the tail seen from behind.
constexpr std::array<std::array<int, 4>, 26> t = {{
    {0, 1, 5, 1},    {5, 4, 1, 2},    {4, 3, 1, 3},    {1, 2, 3, 2},    {5, 6, 4, 1},    {5, 6, 7, 2},
    {5, 7, 0, 3},    {6, 7, 8, 1},    {7, 8, 9, 2},    {10, 12, 13, 3}, {10, 11, 12, 3}, {10, 11, 3, 2},
    {10, 3, 2, 3},   {12, 13, 8, 2},  {8, 9, 13, 1},   {7, 9, 13, 0},   {7, 13, 0, 0},   {13, 0, 10, 0},
    {0, 10, 1, 0},   {10, 1, 2, 0},   {14, 15, 17, 5}, {15, 17, 16, 5}, {19, 18, 20, 5}, {20, 18, 21, 5},
    {22, 23, 24, 5}, {25, 26, 27, 5},
}};

struct Shade {
    bool set;  // a code without a colour leaves the colour in force
    float r, g, b;
};
constexpr std::array<Shade, 6> shades = {{
    {true, 0.5f, 0.5f, 0.5f},
    {true, 0.9f, 0.9f, 0.9f},
    {true, 0.8f, 0.8f, 0.8f},
    {true, 0.7f, 0.7f, 0.7f},
    {false, 0, 0, 0},
    {true, 1, 0.5f, 0.5f},
}};

// Very dark blue, the scene's background but for the flash.
void set_dark_clear_colour() { glClearColor(0, 0, 0.1f, 1); }

float field_coordinate() { return static_cast<float>((std::rand() % field_cells) * 2 - field_cells); }

// The view's turn; without the base translation it puts the viewer in the
// middle of the field.
void rotate_to_star_frame()
{
    glRotatef(sf.ay, 1, 0, 0);
    glRotatef(sf.ax, 0, 1, 0);
}

// What a frame works out from its one reading of the tick. Windows go by the
// scene's own clock; the ship's sway and the pitch by the absolute one.
struct FrameClock {
    Tick now;
    Tick elapsed;  // ms since the scene's start
    float step;    // ms since the previous frame; 0 on the first
    float tenths;  // the absolute tick in tenths of a second
};

// Reads the tick and turns the view by the step since the previous frame.
FrameClock start_frame()
{
    const Tick now = platform_ticks();
    const FrameClock clock = {now, now - sf.sf_begint, sf.lft ? static_cast<float>(now - sf.lft) : 0.0f,
                              static_cast<float>(now / 100.0)};
    sf.ax = advance_ax(sf.ax, clock.step, sf.axlock);
    sf.ay = advance_ay(sf.ay, clock.step, clock.tenths, sf.aylock);
    return clock;
}

// Stars are drawn where they stood at the start of the frame and moved
// after, so the labels drawn later sit on the moved positions.
void draw_stars()
{
    glPushMatrix();
    glLoadIdentity();
    rotate_to_star_frame();
    glColor3f(1, 1, 1);
    glBegin(GL_POINTS);
    for (int i = 0; i < sf.n_stars; ++i)
        glVertex3f(sf.star[i].x, sf.star[i].y, sf.star[i].z);
    glEnd();
    glPopMatrix();
}

void move_stars(float step)
{
    for (int i = 0; i < sf.n_stars; ++i)
        sf.star[i].z = advance_star_z(sf.star[i].z, step, sf.warped);
}

// The first quarter of the stars carry labels, drawn in index order with no
// depth sorting.
void draw_labels()
{
    glPushMatrix();
    for (int j = 0; j < sf.n_stars / 4; ++j) {
        const Star &s = sf.star[j];
        glLoadIdentity();
        rotate_to_star_frame();
        glTranslatef(s.x, s.y, s.z);
        glRotatef(270, 0, 1, 0);
        if (label_turned(sf.ax))
            glRotatef(180, 0, 1, 0);
        glColor4f(1, 1, 1, label_alpha(s.z));
        draw_text(sf.greet_stars[j]);
    }
    glPopMatrix();
}

void draw_ship_model()
{
    glColor3f(0.5f, 0.5f, 0.5f);
    for (const auto &[a, b, c, code] : t) {
        if (code >= 0 && code < static_cast<int>(shades.size()) && shades[code].set)
            glColor3f(shades[code].r, shades[code].g, shades[code].b);
        glBegin(GL_POLYGON);
        glVertex3f(v[a].x, v[a].y, v[a].z);
        glVertex3f(v[b].x, v[b].y, v[b].z);
        glVertex3f(v[c].x, v[c].y, v[c].z);
        glEnd();
    }
    // A short line ahead of the nose, which stretches with the ship.
    glColor3f(1, 1, 1);
    glBegin(GL_LINES);
    glVertex3f(0, 3, 0);
    glVertex3f(0, 3.5f, 0);
    glEnd();
}

// The warp's stretch for this frame; it also sets the clear colour, which
// the next frame's clear is the first to show.
float warp_stretch()
{
    if (sf.warptime == 0)
        sf.warptime = platform_ticks();
    const float stretch = static_cast<float>(platform_ticks() - sf.warptime + 1);
    if (warp_phase(stretch) == WarpPhase::flash) {
        glClearColor(1, 1, 1, 1);
        sf.warped = 1;
    } else {
        set_dark_clear_colour();
    }
    return stretch;
}

// The view's locks and the warp, tested while the ship is out; returns the
// ship's stretch.
float steer_ship(Tick elapsed)
{
    float stretch = 1;
    if (elapsed > locks_from) {
        if (ax_locks(sf.ax))
            sf.axlock = 1;
        if (ay_locks(sf.ay))
            sf.aylock = 1;
    }
    if (elapsed > warp_from && sf.axlock && sf.aylock)
        stretch = warp_stretch();
    return stretch;
}

void draw_ship(const FrameClock &clock, float stretch)
{
    const float tenths = clock.tenths;
    // Placed on the base matrix: the ship cruises 100 units ahead, turning
    // with the view, its nose against the flow of the stars.
    glPushMatrix();
    rotate_to_star_frame();
    glRotatef(270, 1, 0, 0);
    const double along = std::sin(static_cast<double>(tenths) / 7) + ship_approach(clock.elapsed) + stretch;
    glTranslatef(std::sin(tenths / 5), static_cast<float>(along), 0);  // sway in single precision
    glRotatef(static_cast<float>(10 * std::sin(static_cast<double>(tenths) / -5)), 0, 1, 0);
    glScalef(1, stretch, 1);
    if (warp_phase(stretch) != WarpPhase::gone)
        draw_ship_model();
    glPopMatrix();
}

void draw_commander()
{
    glPushMatrix();
    glTranslatef(-25, -25, -200);
    glColor4f(1, 1, 1, 0.8f);
    draw_text("load new commander (y/n)");
    glPopMatrix();
}

}  // namespace

const StarfieldState &starfield_state() { return sf; }

float advance_ax(float ax, float step, int axlock)
{
    if (!axlock)
        ax += step / 50;
    if (ax >= 360)
        ax -= 360;
    return ax;
}

float advance_ay(float ay, float step, float tenths, int aylock)
{
    if (aylock)
        return ay;
    return static_cast<float>(ay + std::cos(static_cast<double>(tenths) / 10) * step / 100);
}

float advance_star_z(float z, float step, int warped)
{
    z = static_cast<float>(z + static_cast<double>(step) * 100 * 0.0005);
    if (!warped && z > field_edge)
        z = -field_edge;
    return z;
}

float label_alpha(float z)
{
    const int k = static_cast<int>(z + 0.01);
    return static_cast<float>(1 - std::abs(k) / 100.0);
}

bool label_turned(float ax) { return ax > 180; }

// Compared in single precision, so that a pitch of exactly 4.1 or 5.1, as
// stored, stays outside the window.
bool ax_locks(float ax) { return ax > 350; }
bool ay_locks(float ay) { return 4.1f < ay && ay < 5.1f; }

double ship_approach(Tick elapsed)
{
    const double u = (static_cast<double>(elapsed) - ship_from) / 70 - 100;
    return u <= 0 ? u + 0.5 : 0.5;
}

WarpPhase warp_phase(float stretch)
{
    if (stretch >= gone_from)
        return WarpPhase::gone;
    return stretch > flash_from ? WarpPhase::flash : WarpPhase::run_up;
}

void init_sf()
{
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    set_dark_clear_colour();
    glPointSize(2);

    sf.n_stars = star_capacity;
    // Four draws from rand per star, in this order.
    for (int i = 0; i < sf.n_stars; ++i) {
        sf.star[i].x = field_coordinate();
        sf.star[i].y = field_coordinate();
        sf.star[i].z = field_coordinate();
        sf.greet_stars[i] = greets[std::rand() % greets.size()];
    }
    sf.sf_begint = platform_ticks();
}

void draw_sf()
{
    const FrameClock clock = start_frame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_stars();
    move_stars(clock.step);
    if (clock.elapsed > labels_from && clock.elapsed < labels_until)
        draw_labels();
    if (clock.elapsed > ship_from)
        draw_ship(clock, steer_ship(clock.elapsed));

    // The commander line lies over everything.
    glClear(GL_DEPTH_BUFFER_BIT);
    if (clock.elapsed > commander_from && clock.elapsed < commander_until)
        draw_commander();

    platform_present();
    sf.lft = clock.now;
}

// The warp's clear colour is GL state that the next frame's clear reads, so
// skipping sets it as drawing does.
void skip_sf()
{
    const FrameClock clock = start_frame();
    move_stars(clock.step);
    if (clock.elapsed > ship_from)
        steer_ship(clock.elapsed);
    sf.lft = clock.now;
}

void rewind_sf() { sf = {}; }
