#include "feedback.h"

#include <algorithm>

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace feedback {

std::vector<Quad> capture_quads(double reach, double depth, const std::function<void()> &draw)
{
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-reach, reach, -reach, reach, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    draw();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    const GLint values = glRenderMode(GL_RENDER);
    EXPECT_GE(values, 0) << "feedback buffer overflowed";

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<Quad> quads;
    Quad quad;
    int triangles = 0;
    constexpr int per_vertex = 3 + 4;  // window x, y, z and RGBA
    for (GLint i = 0; i < values;) {
        if (static_cast<GLenum>(buffer[i]) != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "feedback token " << buffer[i] << " at " << i << " is not a polygon";
            break;
        }
        const int corners = static_cast<int>(buffer[i + 1]);
        for (int corner = 0; corner < corners; ++corner) {
            const GLfloat *v = &buffer[i + 2 + corner * per_vertex];
            // Back from window coordinates through the orthographic view.
            quad.push_back({(v[0] / viewport[2] * 2 - 1) * reach, (v[1] / viewport[3] * 2 - 1) * reach,
                            -(v[2] * 2 - 1) * depth, v[3], v[4], v[5], v[6]});
        }
        i += 2 + corners * per_vertex;
        triangles += corners - 2;
        if (triangles == 2) {
            quads.push_back(quad);
            quad.clear();
            triangles = 0;
        }
    }
    EXPECT_EQ(0, triangles) << "half a quad left over";
    return quads;
}

Bounds bounds(const Quad *first, std::size_t count)
{
    Bounds b = {1e30, -1e30, 1e30, -1e30, 1e30, -1e30};
    for (const Quad *quad = first; quad != first + count; ++quad) {
        for (const Vertex &v : *quad) {
            b.left = std::min(b.left, v.x);
            b.right = std::max(b.right, v.x);
            b.bottom = std::min(b.bottom, v.y);
            b.top = std::max(b.top, v.y);
            b.back = std::min(b.back, v.z);
            b.front = std::max(b.front, v.z);
        }
    }
    return b;
}

}  // namespace feedback
