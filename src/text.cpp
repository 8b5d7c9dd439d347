#include "text.h"

#include <array>
#include <cstdint>

#include <GL/gl.h>

namespace {

struct Segment {
    float x, y;        // centre in the character cell
    float angle;       // degrees about z; 0 is upright
    float halfLength;
};

// Indexed by bit number in a glyph mask.
constexpr std::array<Segment, 16> segments = {{
    {-0.3f, 1.3f, 90, 0.25f},   // top bar, left half
    {0.3f, 1.3f, 90, 0.25f},    // top bar, right half
    {-0.7f, 0.7f, 0, 0.5f},     // upper left upright
    {0.0f, 0.7f, 0, 0.5f},      // upper centre upright
    {0.7f, 0.7f, 0, 0.5f},      // upper right upright
    {-0.3f, 0.0f, 90, 0.25f},   // middle bar, left half
    {0.3f, 0.0f, 90, 0.25f},    // middle bar, right half
    {-0.7f, -0.7f, 0, 0.5f},    // lower left upright
    {0.0f, -0.7f, 0, 0.5f},     // lower centre upright
    {0.7f, -0.7f, 0, 0.5f},     // lower right upright
    {-0.3f, -1.3f, 90, 0.25f},  // bottom bar, left half
    {0.3f, -1.3f, 90, 0.25f},   // bottom bar, right half
    {-0.3f, 0.7f, 25, 0.5f},    // diagonal, top left corner to centre
    {0.3f, 0.7f, -25, 0.5f},    // diagonal, top right corner to centre
    {-0.3f, -0.7f, -25, 0.5f},  // diagonal, centre to bottom left corner
    {0.3f, -0.7f, 25, 0.5f},    // diagonal, centre to bottom right corner
}};

struct Glyph {
    char character;
    std::int32_t mask;
};

constexpr std::array<Glyph, 40> glyphs = {{
    {'\'', 0x2000}, {'(', 0x0485}, {')', 0x0A12}, {'/', 0x6000},
    {'0', 0x0E97},  {'1', 0x0108}, {'2', 0x0CF3}, {'3', 0x0E53}, {'4', 0x0274},
    {'5', 0x0E67},  {'6', 0x0EE7}, {'7', 0x0213}, {'8', 0x0EF7}, {'9', 0x0E77},
    {'a', 0x02F7},  {'b', 0x2EE7}, {'c', 0x0C87}, {'d', 0x0EF0}, {'e', 0x0CE7},
    {'f', 0x00A5},  {'g', 0x0EC7}, {'h', 0x02F4}, {'i', 0x0108}, {'j', 0x0E10},
    {'k', 0xA084},  {'l', 0x0C84}, {'m', 0x3294}, {'n', 0x9294}, {'o', 0x0E97},
    {'p', 0x00F7},  {'q', 0x8E97}, {'r', 0x80F7}, {'s', 0x8C27}, {'t', 0x010B},
    {'u', 0x0E94},  {'v', 0x408C}, {'w', 0xC294}, {'x', 0xF000}, {'y', 0x1250},
    {'z', 0x6C03},
}};

// Segment masks by character code; zero is a blank glyph.
std::array<std::int32_t, 255> phont;

std::int32_t glyph_mask(char character)
{
    // A plain char may be negative; codes past the table are blank.
    const unsigned char code = static_cast<unsigned char>(character);
    return code < phont.size() ? phont[code] : 0;
}

}  // namespace

void fill_glyphs()
{
    for (const Glyph &glyph : glyphs)
        phont[static_cast<unsigned char>(glyph.character)] = glyph.mask;
}

void draw_segment(float x, float y, float angle, float halfLength)
{
    glPushMatrix();
    glTranslatef(x, y, 0);
    glRotatef(angle, 0, 0, 1);
    // Counter-clockwise seen from +z, so text survives back-face culling.
    glBegin(GL_QUADS);
    glVertex3f(-0.1f, -halfLength, 0);
    glVertex3f(0.1f, -halfLength, 0);
    glVertex3f(0.1f, halfLength, 0);
    glVertex3f(-0.1f, halfLength, 0);
    glEnd();
    glPopMatrix();
}

void draw_text(const char *text)
{
    constexpr float advance = 2;
    glPushMatrix();
    for (const char *c = text; *c; ++c) {
        const std::int32_t mask = glyph_mask(*c);
        for (std::size_t bit = 0; bit < segments.size(); ++bit) {
            if (mask & (1 << bit)) {
                const Segment &s = segments[bit];
                draw_segment(s.x, s.y, s.angle, s.halfLength);
            }
        }
        glTranslatef(advance, 0, 0);
    }
    glPopMatrix();
}
