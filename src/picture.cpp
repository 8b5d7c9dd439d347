#include "picture.h"

#include <cstdint>

#include <GL/gl.h>

#include "images.h"
#include "platform.h"
#include "scenes.h"

namespace {

Tick picstart;  // tick of the set-up: the reveal's origin

constexpr unsigned pic_width = 800;
constexpr unsigned pic_height = 1058;
constexpr unsigned row_bytes = pic_width * 3;
constexpr float centre_column = 400;
constexpr float centre_row = 529;
constexpr float points_per_unit = 5;
constexpr float depth = -700;

}  // namespace

float row_alpha(float t, unsigned row)
{
    const float a = (t * 10 - static_cast<float>(row)) / 10;
    return a > 1 ? 1 : a;
}

void init_picture()
{
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(1, 1, 1, 1);
    glPointSize(3.5f);
    picstart = platform_ticks();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void draw_picture()
{
    // Tenths of a second: the fade front moves down 10 rows per tenth.
    const float t = static_cast<float>((platform_ticks() - picstart) / 100.0);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_POINTS);
    // Column by column, each from the top: the depth test lets the first point
    // over a pixel decide it, so this order shapes the fade front.
    for (unsigned c = 0; c < pic_width; ++c) {
        for (unsigned r = 0; r < pic_height; ++r) {
            const std::uint8_t *p = pic_image + image_pixels_offset + 3 * c + row_bytes * r;
            // Pure black is where the picture is empty: the white shows there.
            if (p[0] + p[1] + p[2] == 0)
                continue;
            glColor4f(p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, row_alpha(t, r));
            glVertex3f((static_cast<float>(c) - centre_column) / points_per_unit,
                       (static_cast<float>(r) - centre_row) / -points_per_unit, depth);
        }
    }
    glEnd();
    glPopMatrix();
    platform_present();
}
