#include "scenes.h"

#include <array>
#include <cstdint>

#include <GL/gl.h>

#include "images.h"
#include "platform.h"
#include "text.h"

namespace {

Tick logostart;  // ms tick, taken in the set-up on the scene's first frame

// The logo record's size, known here rather than read from its header.
constexpr unsigned logo_width = 1187;
constexpr unsigned logo_height = 628;
constexpr unsigned logo_row_bytes = 3 * logo_width;

// The pixel on the view axis, and how many pixels make one unit.
constexpr float centre_column = 593;
constexpr float centre_row = 314;
constexpr float pixels_per_unit = 7;

// The cloud starts this far from the eye and comes one unit closer per tenth
// of a second.
constexpr float start_distance = 500;

struct Caption {
    const char *text;
    float after;  // shown once the scene clock is past this, in tenths
    float x, y, z;  // relative to the base matrix
};

constexpr std::array<Caption, 4> captions = {{
    {"presents", 44, -5, 0, -50},
    {"at", 94, -5, -3.5f, -50},
    {"tavilo 2008", 100, 0, -3.5f, -50},
    {"a demo called", 140, -5, -6.5f, -50},
}};

// clock: tenths of a second since logostart.
void draw_cloud(float clock)
{
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_POINTS);
    const float z = clock - start_distance;
    // Depth testing is off, so where points overlap the later one wins:
    // columns left to right, each from the top row down.
    for (unsigned c = 0; c < logo_width; ++c) {
        const float x = (static_cast<float>(c) - centre_column) / pixels_per_unit;
        const std::uint8_t *p = logo_image + image_pixels_offset + 3 * c;
        for (unsigned r = 0; r < logo_height; ++r, p += logo_row_bytes) {
            glColor4f(p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, 1);
            // The negative divisor puts the first stored row at the top.
            glVertex3f(x, (static_cast<float>(r) - centre_row) / -pixels_per_unit, z);
        }
    }
    glEnd();
    glPopMatrix();
}

void draw_captions(float clock)
{
    for (const Caption &caption : captions) {
        if (clock <= caption.after)
            continue;
        glPushMatrix();
        glTranslatef(caption.x, caption.y, caption.z);
        glColor4f(0, 0, 0, 1);
        draw_text(caption.text);
        // The white copy up and to the left leaves the black one as a shadow
        // below and to the right.
        glTranslatef(-0.3f, 0.3f, 0);
        glColor4f(1, 1, 1, 1);
        draw_text(caption.text);
        glPopMatrix();
    }
}

}  // namespace

// The glyph table is left alone: part 1 filled it and it lasts the whole run.
void init_logofx()
{
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(1, 1, 1, 1);
    glPointSize(3);
    logostart = platform_ticks();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void draw_logofx()
{
    const Tick elapsed = platform_ticks() - logostart;
    const float clock = static_cast<float>(elapsed) / 100;  // tenths of a second
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_cloud(clock);
    draw_captions(clock);
    platform_present();
}
