#include "fixed_gl.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include <GL/gl.h>
#include <webgl/webgl1.h>

namespace {

// Column-major, as GL keeps matrices: element (row, column) is m[column * 4 + row].
using Matrix = std::array<float, 16>;
constexpr Matrix identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// GL's smallest allowed stack depth for both stacks; a push past it or a pop
// of the last matrix is ignored, as GL ignores it.
constexpr int stack_depth = 32;

struct Stack {
    std::array<Matrix, stack_depth> matrices;
    int top = 0;
};

// A vertex as the shader takes it: eye-space position and a colour already
// clamped to 0..1, as GL clamps it, in bytes.
struct Vertex {
    float x, y, z;
    std::uint8_t rgba[4];
};
static_assert(sizeof(Vertex) == 16, "the attribute layout below assumes 16 bytes");

// 4 MiB: the largest point cloud goes out in a few draws.
constexpr int batch_capacity = 1 << 18;

constexpr double degrees_to_radians = 3.14159265358979323846 / 180;

constexpr GLuint eye_attribute = 0;
constexpr GLuint colour_attribute = 1;

// Square points as fixed-function GL draws them when they are not smoothed:
// the size rounded to whole pixels (a half down, as Mesa rounds it, so 3.5
// draws 3), the square centred on the pixel that holds the point for an odd
// size and on the nearest pixel corner for an even one. Sprites in WebGL
// centre on the point itself, so the shader moves the point there first.
//
// Rasterizers snap vertices to a grid of sub-pixel steps. SwiftShader, the
// WebGL of machines without a GPU, truncates to steps of 1/16 pixel, which
// moves every edge left and down by half a step on average against Mesa,
// which rounds to 1/256: thin tiles then differ in their last pixel column
// all over the frame. Moving every vertex up and right by half a step makes
// the truncation a rounding; a rasterizer that rounds already moves edges by
// that fraction of a pixel, which nobody sees.
constexpr const char *vertex_source = R"(
attribute vec3 eye;
attribute vec4 colour;
uniform mat4 projection;
uniform vec2 viewport_size;
uniform float point_size;
uniform bool square_points;
uniform vec2 nudge;  // pixels
varying vec4 shade;
void main() {
    vec4 clip = projection * vec4(eye, 1.0);
    if (square_points && clip.w > 0.0) {
        vec2 window = (clip.xy / clip.w * 0.5 + 0.5) * viewport_size;
        vec2 centre = mod(point_size, 2.0) == 1.0 ? floor(window) + 0.5 : floor(window + 0.5);
        clip.xy = (centre / viewport_size * 2.0 - 1.0) * clip.w;
    }
    clip.xy += nudge / viewport_size * 2.0 * clip.w;
    gl_Position = clip;
    gl_PointSize = point_size;
    shade = colour;
}
)";

constexpr const char *fragment_source = R"(
precision mediump float;
varying vec4 shade;
void main() { gl_FragColor = shade; }
)";

struct Uniforms {
    GLint projection, viewport_size, point_size, square_points, nudge;
};

// Everything GL would hold, and the batch not yet drawn.
struct State {
    Stack modelview, projection;
    Stack *current = &modelview;  // the stack glMatrixMode chose
    std::uint8_t colour[4] = {255, 255, 255, 255};
    float point_pixels = 1;
    bool projection_sent = false;

    GLenum primitive = 0;       // the glBegin mode, 0 outside glBegin/glEnd
    int corners = 0;            // vertices so far in the primitive now open
    std::array<Vertex, 4> held; // its vertices not yet batched

    GLenum batch_mode = GL_POINTS;  // what the batch draws: points, lines or triangles
    int batched = 0;
    std::array<Vertex, batch_capacity> batch;

    GLuint program = 0;
    Uniforms uniforms{};
};

State gl;

std::uint8_t colour_byte(float value)
{
    const float clamped = value > 1 ? 1 : value > 0 ? value : 0;
    return static_cast<std::uint8_t>(clamped * 255 + 0.5f);
}

Matrix &top() { return gl.current->matrices[gl.current->top]; }

void send_projection()
{
    emscripten_glUniformMatrix4fv(gl.uniforms.projection, 1, GL_FALSE,
                                  gl.projection.matrices[gl.projection.top].data());
    gl.projection_sent = true;
}

void draw_batch()
{
    if (gl.batched == 0)
        return;
    if (!gl.projection_sent)
        send_projection();
    emscripten_glUniform1i(gl.uniforms.square_points, gl.batch_mode == GL_POINTS);
    emscripten_glBufferData(GL_ARRAY_BUFFER, gl.batched * sizeof(Vertex), gl.batch.data(), GL_STREAM_DRAW);
    emscripten_glDrawArrays(gl.batch_mode, 0, gl.batched);
    gl.batched = 0;
}

// Room for a whole primitive in the batch.
void make_room(int vertices)
{
    if (gl.batched + vertices > batch_capacity)
        draw_batch();
}

void add(const Vertex &v) { gl.batch[gl.batched++] = v; }

// Changes to the projection apply to vertices batched after them only.
void projection_changes()
{
    if (gl.current == &gl.projection) {
        draw_batch();
        gl.projection_sent = false;
    }
}

void multiply(const Matrix &by)
{
    projection_changes();
    Matrix &m = top();
    const Matrix a = m;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            m[column * 4 + row] = a[row] * by[column * 4] + a[4 + row] * by[column * 4 + 1] +
                                  a[8 + row] * by[column * 4 + 2] + a[12 + row] * by[column * 4 + 3];
}

GLuint compile(GLenum type, const char *source)
{
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    return compiled ? shader : 0;
}

// The enables the scenes switch that WebGL has too.
bool passed_on(GLenum cap) { return cap == GL_CULL_FACE || cap == GL_BLEND || cap == GL_DEPTH_TEST; }

}  // namespace

bool fixed_gl_open()
{
    const GLuint vertex = compile(GL_VERTEX_SHADER, vertex_source);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, fragment_source);
    if (!vertex || !fragment)
        return false;
    gl.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(gl.program, vertex);
    emscripten_glAttachShader(gl.program, fragment);
    emscripten_glBindAttribLocation(gl.program, eye_attribute, "eye");
    emscripten_glBindAttribLocation(gl.program, colour_attribute, "colour");
    emscripten_glLinkProgram(gl.program);
    GLint linked = 0;
    emscripten_glGetProgramiv(gl.program, GL_LINK_STATUS, &linked);
    if (!linked)
        return false;
    emscripten_glUseProgram(gl.program);
    gl.uniforms = {emscripten_glGetUniformLocation(gl.program, "projection"),
                   emscripten_glGetUniformLocation(gl.program, "viewport_size"),
                   emscripten_glGetUniformLocation(gl.program, "point_size"),
                   emscripten_glGetUniformLocation(gl.program, "square_points"),
                   emscripten_glGetUniformLocation(gl.program, "nudge")};
    GLint subpixel_bits = 0;
    emscripten_glGetIntegerv(GL_SUBPIXEL_BITS, &subpixel_bits);
    const float half_step = 0.5f / static_cast<float>(1 << subpixel_bits);
    emscripten_glUniform2f(gl.uniforms.nudge, half_step, half_step);

    GLuint buffer = 0;
    emscripten_glGenBuffers(1, &buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffer);
    emscripten_glEnableVertexAttribArray(eye_attribute);
    emscripten_glVertexAttribPointer(eye_attribute, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    emscripten_glEnableVertexAttribArray(colour_attribute);
    emscripten_glVertexAttribPointer(colour_attribute, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
                                     reinterpret_cast<const void *>(offsetof(Vertex, rgba)));
    fixed_gl_reset();
    return true;
}

void fixed_gl_flush() { draw_batch(); }

void fixed_gl_finish()
{
    // Reading a pixel back waits for the rasterizer where a finish might not.
    draw_batch();
    std::uint8_t pixel[4];
    emscripten_glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

void fixed_gl_reset()
{
    gl.batched = 0;
    gl.primitive = 0;
    gl.modelview = {};
    gl.projection = {};
    gl.modelview.matrices[0] = identity;
    gl.projection.matrices[0] = identity;
    gl.current = &gl.modelview;
    gl.projection_sent = false;
    glColor4f(1, 1, 1, 1);
    gl.point_pixels = 0;  // not a size: the next one is sent
    glPointSize(1);
    for (GLenum cap : {GL_CULL_FACE, GL_BLEND, GL_DEPTH_TEST})
        emscripten_glDisable(cap);
    emscripten_glBlendFunc(GL_ONE, GL_ZERO);
    emscripten_glClearColor(0, 0, 0, 0);
}

extern "C" {

void glBegin(GLenum mode)
{
    const GLenum batch_mode = mode == GL_POINTS ? GL_POINTS : mode == GL_LINES ? GL_LINES : GL_TRIANGLES;
    if (batch_mode != gl.batch_mode) {
        draw_batch();
        gl.batch_mode = batch_mode;
    }
    gl.primitive = mode;
    gl.corners = 0;
}

void glEnd() { gl.primitive = 0; }

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    // Every model-view matrix the scenes build is affine: w stays 1.
    const Matrix &m = gl.modelview.matrices[gl.modelview.top];
    Vertex v = {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                m[2] * x + m[6] * y + m[10] * z + m[14], {gl.colour[0], gl.colour[1], gl.colour[2], gl.colour[3]}};
    switch (gl.primitive) {
    case GL_POINTS:
        make_room(1);
        add(v);
        break;
    case GL_LINES:
        if (gl.corners == 1) {
            make_room(2);
            add(gl.held[0]);
            add(v);
        }
        gl.held[0] = v;
        gl.corners = (gl.corners + 1) % 2;
        break;
    case GL_QUADS:
        gl.held[gl.corners] = v;
        if (++gl.corners == 4) {
            make_room(6);
            for (int corner : {0, 1, 2, 0, 2, 3})
                add(gl.held[corner]);
            gl.corners = 0;
        }
        break;
    case GL_POLYGON:
        // A fan around the first corner; the scenes' polygons are convex.
        if (gl.corners >= 2) {
            make_room(3);
            add(gl.held[0]);
            add(gl.held[1]);
            add(v);
        }
        gl.held[gl.corners >= 1 ? 1 : 0] = v;
        ++gl.corners;
        break;
    default:
        break;
    }
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    gl.colour[0] = colour_byte(red);
    gl.colour[1] = colour_byte(green);
    gl.colour[2] = colour_byte(blue);
    gl.colour[3] = colour_byte(alpha);
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) { glColor4f(red, green, blue, 1); }

void glMatrixMode(GLenum mode) { gl.current = mode == GL_PROJECTION ? &gl.projection : &gl.modelview; }

void glLoadIdentity()
{
    projection_changes();
    top() = identity;
}

void glPushMatrix()
{
    Stack &stack = *gl.current;
    if (stack.top + 1 < stack_depth) {
        stack.matrices[stack.top + 1] = stack.matrices[stack.top];
        ++stack.top;
    }
}

void glPopMatrix()
{
    if (gl.current->top > 0) {
        projection_changes();
        --gl.current->top;
    }
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    projection_changes();
    Matrix &m = top();
    for (int row = 0; row < 4; ++row)
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    projection_changes();
    Matrix &m = top();
    for (int row = 0; row < 4; ++row) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 1.0e-4f)
        return;
    x /= length;
    y /= length;
    z /= length;
    const double radians = angle * degrees_to_radians;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    const float d = 1 - c;
    const Matrix rotation = {d * x * x + c,     d * x * y + z * s, d * z * x - y * s, 0,
                             d * x * y - z * s, d * y * y + c,     d * y * z + x * s, 0,
                             d * z * x + y * s, d * y * z - x * s, d * z * z + c,     0,
                             0,                 0,                 0,                 1};
    multiply(rotation);
}

void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near, GLdouble far)
{
    const Matrix frustum = {static_cast<float>(2 * near / (right - left)), 0, 0, 0,
                            0, static_cast<float>(2 * near / (top - bottom)), 0, 0,
                            static_cast<float>((right + left) / (right - left)),
                            static_cast<float>((top + bottom) / (top - bottom)),
                            static_cast<float>(-(far + near) / (far - near)), -1,
                            0, 0, static_cast<float>(-2 * far * near / (far - near)), 0};
    multiply(frustum);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    draw_batch();
    emscripten_glViewport(x, y, width, height);
    emscripten_glUniform2f(gl.uniforms.viewport_size, static_cast<float>(width), static_cast<float>(height));
}

void glEnable(GLenum cap)
{
    // GL_NORMALIZE rescales normals for lighting, which the scenes never use.
    if (passed_on(cap)) {
        draw_batch();
        emscripten_glEnable(cap);
    }
}

void glDisable(GLenum cap)
{
    if (passed_on(cap)) {
        draw_batch();
        emscripten_glDisable(cap);
    }
}

void glBlendFunc(GLenum source, GLenum destination)
{
    draw_batch();
    emscripten_glBlendFunc(source, destination);
}

void glPointSize(GLfloat size)
{
    const float pixels = std::max(1.0f, std::ceil(size - 0.5f));
    if (pixels != gl.point_pixels) {
        draw_batch();
        gl.point_pixels = pixels;
        emscripten_glUniform1f(gl.uniforms.point_size, pixels);
    }
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    emscripten_glClearColor(red, green, blue, alpha);
}

void glClear(GLbitfield mask)
{
    draw_batch();
    emscripten_glClear(mask);
}

}  // extern "C"
