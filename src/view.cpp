#include "view.h"

#include <GL/gl.h>

void setup_view(int width, int height)
{
    const float aspect = static_cast<float>(height) / static_cast<float>(width);
    glViewport(0, 0, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.0, 1.0, -aspect, aspect, 5.0, 1000.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -100);
}
