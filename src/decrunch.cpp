#include "scenes.h"

#include <GL/gl.h>

#include "platform.h"
#include "text.h"

namespace {

// The mock progress display watches the absolute tick (ms since SDL
// started), not the scene's own start, and is gone from this tick on.
constexpr Tick blank_from = 5500;

// The bar grows by one unit every this many milliseconds.
constexpr float ms_per_unit = 280;

}  // namespace

void init_decrunch()
{
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(0, 0, 0, 1);
    fill_glyphs();
}

void draw_decrunch()
{
    const Tick t = platform_ticks();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (t < blank_from) {
        // Placed in eye space, whatever the base matrix holds: the caption's
        // origin ends up at (-15, 0, -200).
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(0, 0, -100);
        glTranslatef(-15, 0, -100);
        glColor4f(1, 1, 1, 1);
        draw_text("decrunching");

        // The bar sits just above the glyph cells and starts at the centre of
        // the first character; counter-clockwise, so culling keeps it.
        glTranslatef(0, 2, 0);
        const float w = static_cast<float>(t) / ms_per_unit;
        glBegin(GL_QUADS);
        glVertex3f(0, 0, 0);
        glVertex3f(w, 0, 0);
        glVertex3f(w, 1, 0);
        glVertex3f(0, 1, 0);
        glEnd();
        glPopMatrix();
    }
    platform_present();
}
