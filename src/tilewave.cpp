#include "tilewave.h"

#include <cmath>
#include <cstdlib>

#include <GL/gl.h>

#include "platform.h"
#include "scenes.h"

namespace {

// 12 rows of 12 cells: 'x' a blue tile, '.' a red one, space no tile.
constexpr int bitmap_size = 12;
const char *const texture =
    "            "
    "   xxxx     "
    "  xxxxx     "
    " xxx        "
    " xx    .... "
    " xx    ...  "
    " xx    xxx  "
    " xx    xxxx "
    " xxx        "
    "  xxxxx     "
    "   xxxx     "
    "            ";

constexpr float wall_depth = -470;  // relative to the base matrix

// Mirrored about cell column 0 and cell row 0.
char bitmap_cell(int u, int v)
{
    return texture[std::abs(u) % bitmap_size + bitmap_size * (std::abs(v) % bitmap_size)];
}

}  // namespace

void logo(float tenths, float wobble, int halfCells)
{
    if (halfCells <= 0)
        return;

    // Terms of time alone, the same for every cell of the frame.
    const float h = tenths / 10;  // seconds
    const float o = 20 * std::cos(double{h});
    const double swirl_u = 20 * std::sin(double{2 * h});  // the centre sits at minus these
    const double swirl_v = 20 * std::cos(double{5 * h});

    for (int u = -halfCells; u < halfCells; ++u) {
        for (int v = -halfCells; v < halfCells; ++v) {
            const char ch = bitmap_cell(u, v);
            if (ch == ' ')
                continue;

            const double p = swirl_u + (u - 6);
            const double q = swirl_v + (v - 6);
            const float d = std::sqrt(static_cast<float>(p * p + q * q));  // distance from the centre
            const float base = 2 * wobble * std::cos(double{u + tenths}) + wall_depth - wobble * std::sin(double(v));
            const float x = (u - 6) + 0.1 * d * std::sin(double{3 * h + d / 10});
            const float y = (v - 6) + 0.1 * d * std::cos(double{6 * h + d / 10});
            // Bulges towards the viewer near the centre; while o < 0 the
            // tiles near the ring d = -o/5 fly past the eye or sink away.
            const float z = 100 * o / (o / 5 + d) + base;

            glBegin(GL_QUADS);
            if (ch == 'x')
                glColor4f(0, 0, 1, 1);
            else if (ch == '.')
                glColor4f(1, 0, 0, 1);
            glVertex3f(x - 0.1, y - 0.1, z);
            glVertex3f(x + 1.1, y - 0.1, z);
            glVertex3f(x + 1.1, y + 1.1, z);
            glVertex3f(x - 0.1, y + 1.1, z);
            glEnd();
        }
    }
}

void init_tilewave()
{
    glEnable(GL_CULL_FACE);
    // Blending stays off; the function is set all the same, as every part does.
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(1, 1, 1, 1);
}

void draw_tilewave()
{
    const Tick now = platform_ticks();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    logo(static_cast<float>(now) / 100, 0.0, 100);
    platform_present();
}
