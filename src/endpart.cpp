#include "endpart.h"

#include <array>
#include <cmath>
#include <cstdlib>

#include <GL/gl.h>

#include "platform.h"
#include "scenes.h"
#include "text.h"

namespace {

constexpr float initial_drop = 1.1f;  // degrees: the credits hang almost straight at first

std::array<Branch, branch_capacity> madot;  // live records 0..matoja-1, in order of creation
int matoja;                                 // live record count, at most branch_limit
Tick epstart;                               // tick at the end of the set-up: the scene clock's origin

// Carried by the frame routine from frame to frame and never reset by the
// set-up: the scene runs once a run.
Tick lft;                    // elapsed ms at the previous frame; 0: no previous frame
float drop = initial_drop;   // tilt of the credit block about the eye's x axis, degrees

struct Credit {
    Tick start;            // drawn once elapsed ms pass this
    const char *text;
    float x, y, z;         // hinge the line swings on, eye space
    double fade;           // how fast its swing dies, degrees per tenth of a second
};

constexpr std::array<Credit, 4> credits = {{
    {4000, "gfx       vetra", -15, 15, -170, 1.0},
    {6000, "music    kostival groove", -19, 10, -170, 0.8},
    {8000, "code    zomka", -10, 5, -170, 0.7},
    {11000, "thank you", -10, -15, -170, 0.65},
}};

constexpr float full_swing = 90;      // degrees, before any dying away
constexpr Tick drop_start = 12000;    // ms: the credits tip away from here on
constexpr Tick fade_start = 15000;    // ms: black from fade_start + fade_length
constexpr float fade_length = 1000;
constexpr double degrees_to_radians = 0.0174532925;

void fork_branch(const Branch &parent)
{
    Branch &child = madot[matoja];
    const float rad = static_cast<float>(parent.angle * degrees_to_radians);
    child.x = std::sin(rad) * parent.length + parent.x;
    child.y = std::cos(rad) * parent.length + parent.y;
    child.angle = parent.angle + 45.0f;
    child.red = static_cast<float>(std::rand() % 100) / 100;
    child.green = 0.7f;
    child.blue = 0.0f;
    child.generation = parent.generation + 1;
    ++matoja;
}

void draw_branch(const Branch &b, float t)
{
    glLoadIdentity();
    glTranslatef(b.x, b.y, -500);
    glRotatef(t + b.angle, 0, 0, 1);
    glScalef(1, b.length, 0);
    glColor4f(b.red, b.green, b.blue, 1 - static_cast<float>(b.generation) / 10);
    glBegin(GL_QUADS);
    glVertex3f(-1, 0, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(1, 1, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
}

// Records forked during the pass are visited in it too, after their parents.
// Nothing changes a record after its own visit, so drawing the tree after the
// pass draws every bar as it stood when it was visited.
void grow_tree(float delta)
{
    const double step = 0.01 * delta;
    for (int i = 0; i < matoja; ++i) {
        Branch &b = madot[i];
        b.length = static_cast<float>(b.length + step);
        // One try per record and frame, however many thresholds were passed.
        if (b.length > 6 * b.tries + 4) {
            if (std::rand() % 100 <= 49 && matoja != branch_limit)
                fork_branch(b);
            ++b.tries;
        }
    }
}

void draw_tree(float t)
{
    for (int i = 0; i < matoja; ++i)
        draw_branch(madot[i], t);
}

void draw_credits(float t, Tick elapsed)
{
    for (std::size_t line = 0; line < credits.size(); ++line) {
        const Credit &c = credits[line];
        if (elapsed <= c.start)
            break;
        glLoadIdentity();
        glRotatef(drop, 1, 0, 0);
        glTranslatef(c.x, c.y, c.z);
        // t read as radians: a swing period of about 0.63 s.
        const double swing = std::cos(static_cast<double>(t)) * swing_amplitude(static_cast<int>(line), t);
        glRotatef(static_cast<float>(swing), 1, 0, 0);
        glTranslatef(0, -2, 0);
        draw_text(c.text);
    }
}

// What a frame works out from its one reading of the tick.
struct FrameClock {
    Tick elapsed;  // ms since epstart
    float delta;   // ms since the previous frame; 0 on the first
    float t;       // elapsed in tenths of a second
};

FrameClock start_frame()
{
    const Tick elapsed = platform_ticks() - epstart;
    return {elapsed, lft == 0 ? 0.0f : static_cast<float>(elapsed - lft), static_cast<float>(elapsed / 100.0)};
}

void tip_credits(const FrameClock &clock)
{
    if (clock.elapsed > drop_start)
        drop = static_cast<float>(drop + -0.01 * clock.delta);
}

void draw_fade(Tick elapsed)
{
    glLoadIdentity();
    glTranslatef(0, 0, -10);
    // Left unclamped: GL clamps it to 1 from fade_start + fade_length on.
    glColor4f(0, 0, 0, static_cast<float>(elapsed - fade_start) / fade_length);
    glBegin(GL_QUADS);
    glVertex3f(-10, -10, 0);
    glVertex3f(10, -10, 0);
    glVertex3f(10, 10, 0);
    glVertex3f(-10, 10, 0);
    glEnd();
}

}  // namespace

const Branch *tree_branches() { return madot.data(); }

int tree_size() { return matoja; }

float swing_amplitude(int line, float t)
{
    const float amplitude = static_cast<float>(full_swing - credits[line].fade * t);
    return amplitude < 0 ? 0 : amplitude;
}

void init_endpart()
{
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(0.8f, 0.8f, 0.0f, 1.0f);
    glPointSize(1.0f);

    // Colours and generations are left alone: a fork writes them anyway.
    for (Branch &b : madot) {
        b.x = b.y = b.length = b.angle = 0.0f;
        b.tries = 0;
    }
    madot[0] = {0.0f, 20.0f, 0.0f, 0.0f, 0.9f, 0.7f, 0.0f, 0, 0};
    matoja = 1;

    fill_glyphs();
    epstart = platform_ticks();
}

void draw_endpart()
{
    const FrameClock clock = start_frame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    grow_tree(clock.delta);
    draw_tree(clock.t);
    glPopMatrix();

    tip_credits(clock);
    glPushMatrix();
    glColor4f(0, 0, 0, 1);
    draw_credits(clock.t, clock.elapsed);
    if (clock.elapsed > fade_start)
        draw_fade(clock.elapsed);
    glPopMatrix();
    platform_present();
    lft = clock.elapsed;
}

void skip_endpart()
{
    const FrameClock clock = start_frame();
    grow_tree(clock.delta);
    tip_credits(clock);
    lft = clock.elapsed;
}

void rewind_endpart()
{
    lft = 0;
    drop = initial_drop;
}
