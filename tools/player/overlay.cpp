#include "overlay.h"

#include <GL/gl.h>

#include "text.h"

namespace {

// Far enough back that about 80 characters span the width, whatever the
// window's shape: the frustum is 1 unit wide each side at the near plane 5.
constexpr float depth = -400;
constexpr float half_width = 80;
constexpr float line_height = 3.6f;   // a glyph cell is 2.8 high
constexpr float margin = 2;
constexpr float band_columns = 26;   // characters, 2 units each

}  // namespace

void draw_overlay(const char *const *lines, int count)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float top = half_width * static_cast<float>(viewport[3]) / static_cast<float>(viewport[2]);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(-half_width + margin, top - margin, depth);

    const float band_bottom = -line_height * static_cast<float>(count) - margin / 2;
    // Dark grey rather than black, so the band shows on black scenes too.
    glColor4f(0.15f, 0.15f, 0.2f, 0.75f);
    glBegin(GL_QUADS);
    glVertex3f(-margin / 2, band_bottom, 0);
    glVertex3f(2 * band_columns, band_bottom, 0);
    glVertex3f(2 * band_columns, margin / 2, 0);
    glVertex3f(-margin / 2, margin / 2, 0);
    glEnd();

    // draw_text centres its first character on the origin.
    glTranslatef(1, -line_height / 2, 0);
    glColor4f(1, 1, 0.6f, 1);
    for (int i = 0; i < count; ++i) {
        draw_text(lines[i]);
        glTranslatef(0, -line_height, 0);
    }
    glPopMatrix();
    glPopAttrib();
}
