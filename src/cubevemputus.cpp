#include "cubevemputus.h"

#include <array>
#include <cmath>
#include <cstdlib>

#include <GL/gl.h>

#include "scenes.h"
#include "text.h"

namespace {

Tick cubestart;    // tick of the scene's first frame; only the title counts from it
TitleBuffer title;  // rebuilt in full every frame

struct Vertex {
    float x, y, z;
};

struct Face {
    float r, g, b;
    std::array<Vertex, 4> corners;
};

// A cube from -1 to 1 on each axis; the row supplies the alpha.
constexpr std::array<Face, 6> cube_faces = {{
    {0.8f, 0.3f, 0.3f, {{{1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}}}},      // y = +1
    {0.2f, 0.5f, 0.8f, {{{1, -1, 1}, {-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}}}},  // y = -1
    {0.3f, 0.7f, 0.7f, {{{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}}},      // z = +1
    {0.2f, 1.0f, 0.2f, {{{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}}},  // z = -1
    {0.8f, 0.3f, 0.3f, {{{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}}},  // x = -1
    {0.2f, 0.9f, 0.1f, {{{1, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1}}}},      // x = +1
}};

constexpr int cube_rows = 10;
constexpr int cubes_per_row = 20;

struct Rgba {
    float r, g, b, a;
};

// Petal colours cycle through these, starting afresh with every slice.
constexpr std::array<Rgba, 3> petal_colours = {{
    {0.6f, 1.0f, 0.3f, 1.0f},
    {0.3f, 1.0f, 0.3f, 1.0f},
    {0.4f, 0.9f, 0.4f, 1.0f},
}};

constexpr std::array<Vertex, 4> petal = {{{0, 0, 0}, {-0.3f, -0.4f, 0}, {0, -1.3f, 0}, {0.3f, -0.4f, 0}}};
constexpr int petals_per_slice = 5;

// t: tenths of a second since SDL started.
void draw_cube_field(float t)
{
    float alpha = 0;  // accumulated in float, so row 9 gets 0.90000010
    for (int row = 0; row < cube_rows; ++row) {
        const double zr = 30.0 * alpha;
        float x = -10;
        for (int column = 0; column < cubes_per_row; ++column) {
            glPushMatrix();
            glTranslatef(2 * x + std::sin(double{x + t / 100}), std::cos(x + t / 10),
                         50 * std::cos(double{(t + x) / 3}) + zr);
            const float spin = t + 10 * std::sin(double{x}) + std::cos(zr);  // degrees
            glRotatef(spin, 1, 0, 0);
            glRotatef(spin, 0, 1, 0);
            glRotatef(spin, 0, 0, 1);
            glBegin(GL_QUADS);
            for (const Face &face : cube_faces) {
                glColor4f(face.r, face.g, face.b, alpha);
                for (const Vertex &v : face.corners)
                    glVertex3f(v.x, v.y, v.z);
            }
            glEnd();
            glPopMatrix();
            x += 1;
        }
        alpha = alpha + 0.1;
    }
}

// Drawn in eye space, so the base matrix does not move it.
void draw_flower(float t)
{
    glPushMatrix();
    for (int i = -30; i < 30; ++i) {
        glLoadIdentity();
        glTranslatef(0, 0, -30);
        glRotatef(10 * t, 0.5f, -0.2f, 0.6f);
        glRotatef(5 * t, 1, 0, 0);
        glTranslatef(0, 0, 0.1 * i);
        const double scale = -i * i / 500.0 + 2;  // slices taper towards both ends
        glScalef(scale, scale, 1);
        std::size_t colour = 0;
        for (int k = 0; k < petals_per_slice; ++k) {
            glRotatef(72, 0, 0, 1);
            glBegin(GL_QUADS);
            const Rgba &c = petal_colours[colour];
            glColor4f(c.r, c.g, c.b, c.a);
            for (const Vertex &v : petal)
                glVertex3f(v.x, v.y, v.z);
            glEnd();
            colour = (colour + 1) % petal_colours.size();
        }
    }
    glPopMatrix();
}

void draw_title(Tick now)
{
    glPushMatrix();
    glTranslatef(-15, 0, -50);
    glColor4f(0, 0, 0, 0.8f);
    scramble_title(now - cubestart, title);
    draw_text(title.data());
    glPopMatrix();
}

}  // namespace

void scramble_title(Tick elapsed, TitleBuffer &out)
{
    const Tick settled = elapsed / title_settle_ms;
    for (std::size_t i = 0; i < title_length; ++i) {
        const int noise = std::rand() % 10;
        out[i] = settled > i ? title_text[i] : static_cast<char>(title_text[i] + noise);
    }
    out[title_length] = 0;
}

void init_cubevemputus()
{
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(0.7f, 0.2f, 0.2f, 1.0f);
    fill_glyphs();
    cubestart = platform_ticks();
}

// The title's noise is the only thing a frame leaves behind: its draws from
// rand, which later scenes share.
void skip_cubevemputus() { scramble_title(platform_ticks() - cubestart, title); }

void draw_cubevemputus()
{
    const float t = static_cast<float>(platform_ticks()) / 100;  // tenths since SDL started
    const Tick now = platform_ticks();                           // the title's clock

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_cube_field(t);
    // Each layer lies over the one before, whatever their depths.
    glClear(GL_DEPTH_BUFFER_BIT);
    draw_flower(t);
    glClear(GL_DEPTH_BUFFER_BIT);
    draw_title(now);
    platform_present();
}
