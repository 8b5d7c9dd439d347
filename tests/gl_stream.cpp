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

// The per-frame entry points. Set-up calls (enables, blend function, point
// size) pass straight to the library and are not recorded: replay runs in
// the state the scene left.
using gl_stream::Op;
using gl_stream::note;
using gl_stream::real;

extern "C" {

void glBegin(GLenum mode)
{
    static const auto call = real<void (*)(GLenum)>("glBegin");
    note(Op::begin, mode);
    call(mode);
}

void glEnd()
{
    static const auto call = real<void (*)()>("glEnd");
    note(Op::end);
    call();
}

void glClear(GLbitfield mask)
{
    static const auto call = real<void (*)(GLbitfield)>("glClear");
    note(Op::clear, mask);
    call(mask);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    static const auto call = real<void (*)(GLclampf, GLclampf, GLclampf, GLclampf)>("glClearColor");
    note(Op::clear_color, 0, r, g, b, a);
    call(r, g, b, a);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    static const auto call = real<void (*)(GLfloat, GLfloat, GLfloat)>("glColor3f");
    note(Op::color3, 0, r, g, b);
    call(r, g, b);
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    static const auto call = real<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glColor4f");
    note(Op::color4, 0, r, g, b, a);
    call(r, g, b, a);
}

void glLoadIdentity()
{
    static const auto call = real<void (*)()>("glLoadIdentity");
    note(Op::load_identity);
    call();
}

void glPushMatrix()
{
    static const auto call = real<void (*)()>("glPushMatrix");
    note(Op::push);
    call();
}

void glPopMatrix()
{
    static const auto call = real<void (*)()>("glPopMatrix");
    note(Op::pop);
    call();
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    static const auto call = real<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glRotatef");
    note(Op::rotate, 0, angle, x, y, z);
    call(angle, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    static const auto call = real<void (*)(GLfloat, GLfloat, GLfloat)>("glScalef");
    note(Op::scale, 0, x, y, z);
    call(x, y, z);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    static const auto call = real<void (*)(GLfloat, GLfloat, GLfloat)>("glTranslatef");
    note(Op::translate, 0, x, y, z);
    call(x, y, z);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    static const auto call = real<void (*)(GLfloat, GLfloat, GLfloat)>("glVertex3f");
    note(Op::vertex, 0, x, y, z);
    call(x, y, z);
}

}  // extern "C"
