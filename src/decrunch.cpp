#include "scenes.h"

#include <GL/gl.h>

#include "platform.h"

void init_decrunch() {}

void draw_decrunch()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    platform_present();
}
