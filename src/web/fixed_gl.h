#pragma once

// The web build's OpenGL: the fixed-function, immediate-mode calls the scenes
// make (glBegin/glEnd with points, lines, quads and polygons, glVertex3f,
// glColor3f/4f, the two matrix stacks, glFrustum, glViewport, culling,
// blending, depth testing, point size and clears), drawn with WebGL.
// Vertices are moved into eye space as they come and batched; a batch is
// drawn when state that it depends on changes, at a clear and at present.
// Only this subset exists: calls outside it do not link.

// Compiles the program and makes the vertex buffer in the current WebGL
// context, and sets GL's start-up state. False when the context cannot.
bool fixed_gl_open();

// Draws whatever is batched: the frame is complete.
void fixed_gl_flush();

// Returns once everything drawn so far is on the canvas, to time frames by.
void fixed_gl_finish();

// GL's start-up state again (matrices, colour, point size, enables, blend
// function, clear colour), for a run that must start as a fresh one does.
void fixed_gl_reset();
