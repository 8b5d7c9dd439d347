#include "gl_stream.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <GL/gl.h>

namespace gl_stream {

namespace {

enum class Op : unsigned char {
    begin, end, clear, clear_color, color3, color4, load_identity, push, pop, rotate, scale, translate, vertex,
};

struct Call {
    Op op;
    GLenum mode;  // glBegin's primitive, glClear's mask
    GLfloat f[4];
};

std::vector<Call> stream;
bool recording;

// The library's own entry point, looked up past this executable's.
template <typename Function>
Function real(const char *name)
{
    void *symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        std::fprintf(stderr, "gl_stream: no %s in the GL library\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

void note(Op op, GLenum mode = 0, GLfloat a = 0, GLfloat b = 0, GLfloat c = 0, GLfloat d = 0)
{
    if (recording)
        stream.push_back({op, mode, {a, b, c, d}});
}

}  // namespace

void record_begin()
{
    stream.clear();
    recording = true;
}

void record_end() { recording = false; }

long recorded_calls() { return static_cast<long>(stream.size()); }

void replay()
{
    for (const Call &call : stream) {
        const GLfloat *f = call.f;
        switch (call.op) {
        case Op::begin: glBegin(call.mode); break;
        case Op::end: glEnd(); break;
        case Op::clear: glClear(call.mode); break;
        case Op::clear_color: glClearColor(f[0], f[1], f[2], f[3]); break;
        case Op::color3: glColor3f(f[0], f[1], f[2]); break;
        case Op::color4: glColor4f(f[0], f[1], f[2], f[3]); break;
        case Op::load_identity: glLoadIdentity(); break;
        case Op::push: glPushMatrix(); break;
        case Op::pop: glPopMatrix(); break;
        case Op::rotate: glRotatef(f[0], f[1], f[2], f[3]); break;
        case Op::scale: glScalef(f[0], f[1], f[2]); break;
        case Op::translate: glTranslatef(f[0], f[1], f[2]); break;
        case Op::vertex: glVertex3f(f[0], f[1], f[2]); break;
        }
    }
}

}  // namespace gl_stream

// The per-frame entry points, each recorded, then passed to the library's
// own. Set-up calls (enables, blend function, point size) pass straight to
// the library and are not recorded: replay runs in the state the scene left.
using gl_stream::Op;
using gl_stream::note;
using gl_stream::real;

#define FORWARD(name, op, params, args, ...)                       \
    void name params                                              \
    {                                                             \
        static const auto library = real<decltype(&name)>(#name); \
        note(op, ##__VA_ARGS__);                                  \
        library args;                                             \
    }

extern "C" {
FORWARD(glBegin, Op::begin, (GLenum mode), (mode), mode)
FORWARD(glEnd, Op::end, (), ())
FORWARD(glClear, Op::clear, (GLbitfield mask), (mask), mask)
FORWARD(glClearColor, Op::clear_color, (GLclampf r, GLclampf g, GLclampf b, GLclampf a), (r, g, b, a), 0, r, g, b, a)
FORWARD(glColor3f, Op::color3, (GLfloat r, GLfloat g, GLfloat b), (r, g, b), 0, r, g, b)
FORWARD(glColor4f, Op::color4, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a), 0, r, g, b, a)
FORWARD(glLoadIdentity, Op::load_identity, (), ())
FORWARD(glPushMatrix, Op::push, (), ())
FORWARD(glPopMatrix, Op::pop, (), ())
FORWARD(glRotatef, Op::rotate, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), (angle, x, y, z), 0, angle, x, y, z)
FORWARD(glScalef, Op::scale, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), 0, x, y, z)
FORWARD(glTranslatef, Op::translate, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), 0, x, y, z)
FORWARD(glVertex3f, Op::vertex, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), 0, x, y, z)
}  // extern "C"
