#include "overlay.h"

#include <algorithm>
#include <cctype>

#include <GL/gl.h>

#include "text.h"

namespace {

// Far enough back that about 80 characters span the width, whatever the
// window's shape: the frustum is 1 unit wide each side at the near plane 5.
constexpr float depth = -400;
constexpr float half_width = 80;
constexpr float line_height = 3.6f;  // a glyph cell is 2.8 high
constexpr float margin = 2;
constexpr float char_width = 2;      // draw_text's advance
constexpr std::size_t min_columns = 26;

// Bars in a character cell, as the segment font places its own (centre,
// degrees from upright, half length): the punctuation compiler messages
// need and the demo's font leaves blank.
struct Stroke {
    float x, y, angle, half_length;
};
struct ExtraGlyph {
    char character;
    int strokes;
    Stroke stroke[3];
};
constexpr ExtraGlyph extra_glyphs[] = {
    {'.', 1, {{0, -1.2f, 0, 0.1f}}},
    {',', 1, {{-0.1f, -1.1f, 25, 0.3f}}},
    {':', 2, {{0, -1.0f, 0, 0.12f}, {0, 0.4f, 0, 0.12f}}},
    {';', 2, {{-0.1f, -1.1f, 25, 0.3f}, {0, 0.4f, 0, 0.12f}}},
    {'-', 1, {{0, 0, 90, 0.5f}}},
    {'_', 1, {{0, -1.3f, 90, 0.6f}}},
    {'=', 2, {{0, 0.35f, 90, 0.5f}, {0, -0.35f, 90, 0.5f}}},
    {'+', 2, {{0, 0, 90, 0.5f}, {0, 0, 0, 0.5f}}},
    {'*', 3, {{0, 0, 0, 0.5f}, {0, 0, 60, 0.5f}, {0, 0, -60, 0.5f}}},
    {'<', 2, {{0, 0.45f, -48, 0.67f}, {0, -0.45f, 48, 0.67f}}},
    {'>', 2, {{0, 0.45f, 48, 0.67f}, {0, -0.45f, -48, 0.67f}}},
    {'"', 2, {{-0.25f, 1.0f, 0, 0.3f}, {0.25f, 1.0f, 0, 0.3f}}},
    {'!', 2, {{0, 0.4f, 0, 0.8f}, {0, -1.2f, 0, 0.1f}}},
    {'|', 1, {{0, 0, 0, 1.3f}}},
    {'^', 2, {{-0.2f, 0.9f, -34, 0.36f}, {0.2f, 0.9f, 34, 0.36f}}},
    {'~', 1, {{0, 0.2f, 90, 0.4f}}},
};

// Brackets of every kind read as the font's round ones.
char as_font_has_it(char c)
{
    if (c == '[' || c == '{')
        return '(';
    if (c == ']' || c == '}')
        return ')';
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void draw_character(char c)
{
    for (const ExtraGlyph &glyph : extra_glyphs)
        if (glyph.character == c) {
            for (int i = 0; i < glyph.strokes; ++i) {
                const Stroke &s = glyph.stroke[i];
                draw_segment(s.x, s.y, s.angle, s.half_length);
            }
            return;
        }
    const char one[] = {as_font_has_it(c), 0};
    draw_text(one);
}

void draw_line(const std::string &line)
{
    glPushMatrix();
    for (char c : line) {
        draw_character(c);
        glTranslatef(char_width, 0, 0);
    }
    glPopMatrix();
}

void quad(float x0, float y0, float x1, float y1)
{
    glVertex3f(x0, y0, 0);
    glVertex3f(x1, y0, 0);
    glVertex3f(x1, y1, 0);
    glVertex3f(x0, y1, 0);
}

// Over whatever the scene left: no depth test, no culling, alpha blending.
void begin_layer()
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

}  // namespace

void viewport_size(int &width, int &height)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    width = viewport[2];
    height = viewport[3];
}

void draw_overlay(const std::vector<std::string> &lines)
{
    if (lines.empty())
        return;
    int width, height;
    viewport_size(width, height);
    const float top = half_width * static_cast<float>(height) / static_cast<float>(width);
    std::size_t columns = min_columns;
    for (const std::string &line : lines)
        columns = std::max(columns, line.size());

    begin_layer();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(-half_width + margin, top - margin, depth);

    const float band_bottom = -line_height * static_cast<float>(lines.size()) - margin / 2;
    const float band_right = char_width * static_cast<float>(columns);
    // Dark grey rather than black, so the band shows on black scenes too;
    // nearly opaque, so compiler messages read over busy ones.
    glColor4f(0.15f, 0.15f, 0.2f, 0.9f);
    glBegin(GL_QUADS);
    quad(-margin / 2, band_bottom, band_right, margin / 2);
    glEnd();

    // draw_text centres its first character on the origin.
    glTranslatef(1, -line_height / 2, 0);
    glColor4f(1, 1, 0.6f, 1);
    for (const std::string &line : lines) {
        draw_line(line);
        glTranslatef(0, -line_height, 0);
    }
    glPopMatrix();
    glPopAttrib();
}

int timeline_bar_top(int window_height) { return window_height - std::max(8, window_height / 30); }

long timeline_bar_frame(long frames, int x, int window_width)
{
    const long frame = static_cast<long>(static_cast<double>(x) * frames / std::max(1, window_width));
    return std::clamp(frame, 0L, frames - 1);
}

void draw_timeline_bar(const TimelineBar &bar)
{
    int width, height;
    viewport_size(width, height);
    const float top = static_cast<float>(timeline_bar_top(height));
    const float bottom = static_cast<float>(height);
    const auto x_of = [&](long frame) { return static_cast<float>(frame) * width / bar.frames; };

    begin_layer();
    // Window pixels from the top left, as the mouse reports them.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glBegin(GL_QUADS);
    // Scenes in two alternating shades, what has been played lighter.
    for (int i = 0; i < bar.scenes; ++i) {
        const long from = bar.scene_starts[i];
        const long to = i + 1 < bar.scenes ? bar.scene_starts[i + 1] : bar.frames;
        const float shade = i % 2 ? 0.22f : 0.3f;
        glColor4f(shade, shade, shade + 0.05f, 0.8f);
        quad(x_of(from), top, x_of(to), bottom);
        if (bar.playhead > from) {
            glColor4f(0.45f, 0.45f, 0.3f, 0.8f);
            quad(x_of(from), top, x_of(std::min(to, bar.playhead)), bottom);
        }
        glColor4f(0.8f, 0.8f, 0.8f, 1);
        quad(x_of(from), top, x_of(from) + 1, bottom);
    }
    if (bar.loop_from >= 0) {
        glColor4f(0.2f, 0.5f, 1, 0.45f);
        quad(x_of(bar.loop_from), top, x_of(bar.loop_to + 1), bottom);
    }
    glColor4f(1, 0.8f, 0.1f, 1);
    if (bar.in_point >= 0)
        quad(x_of(bar.in_point), top, x_of(bar.in_point) + 2, bottom);
    if (bar.out_point >= 0)
        quad(x_of(bar.out_point + 1) - 2, top, x_of(bar.out_point + 1), bottom);
    glColor4f(1, 1, 1, 1);
    quad(x_of(bar.playhead) - 1, top, x_of(bar.playhead) + 1, bottom);
    glEnd();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}
