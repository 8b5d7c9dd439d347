#include <cmath>
#include <initializer_list>
#include <string>

#include <GL/gl.h>

#include "bench.h"
#include "text.h"

namespace {

// The sixteen places of the segment display, by bit number.
enum Seg {
    top_left, top_right, upper_left, upper_centre, upper_right, middle_left, middle_right, lower_left,
    lower_centre, lower_right, bottom_left, bottom_right, diag_tl, diag_tr, diag_bl, diag_br,
};

struct CellPoint {
    double x, y;
};

// Where each bar's centre sits in a character cell.
constexpr CellPoint centre[16] = {
    {-0.3, 1.3}, {0.3, 1.3},   {-0.7, 0.7},  {0, 0.7},  {0.7, 0.7},   {-0.3, 0},    {0.3, 0},     {-0.7, -0.7},
    {0, -0.7},   {0.7, -0.7},  {-0.3, -1.3}, {0.3, -1.3}, {-0.3, 0.7}, {0.3, 0.7}, {-0.3, -0.7}, {0.3, -0.7},
};

// Text drawn this close to the eye makes a 0.2-unit bar 32 pixels wide in a
// 640-pixel window; at twice the distance five cells fit side by side.
constexpr double near_depth = -10;
constexpr double far_depth = -20;

void render(const char *text, double origin_x, double depth)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Culling stays on: text must be drawn front-facing.
    glEnable(GL_CULL_FACE);
    glColor3f(1, 1, 1);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(origin_x, 0, depth);
    draw_text(text);
    glPopMatrix();
    platform_present();
}

bench::Point in_cell(double cell_x, CellPoint p, double depth)
{
    return bench::project_eye(cell_x + p.x, p.y, depth);
}

// Every bar the glyph names is lit at its centre, every other bar is dark.
void expect_glyph(char character, double cell_x, double depth, std::initializer_list<Seg> lit)
{
    for (int s = 0; s < 16; ++s) {
        bool on = false;
        for (Seg l : lit)
            on = on || l == s;
        const bench::Point p = in_cell(cell_x, centre[s], depth);
        EXPECT_TRUE(on ? bench::probe(p, bench::white) : bench::probe(p, bench::black))
            << "glyph '" << character << "' segment " << s << (on ? " should be lit" : " should be dark");
    }
}

// Pixels that are not the clear colour between two eye-space x positions,
// over the full height of a cell.
int drawn_between(double x0, double x1, double depth)
{
    const bench::Point a = bench::project_eye(x0, 1.5, depth);
    const bench::Point b = bench::project_eye(x1, -1.5, depth);
    const int x_lo = static_cast<int>(a.x), x_hi = static_cast<int>(b.x);
    const int y_lo = static_cast<int>(a.y), y_hi = static_cast<int>(b.y);
    return (x_hi - x_lo) * (y_hi - y_lo) - bench::count(x_lo, y_lo, x_hi, y_hi, bench::black, 0);
}

class Text : public testing::Test {
protected:
    void SetUp() override
    {
        bench::open();
        fill_glyphs();
    }
};

TEST_F(Text, XLightsTheFourDiagonalsAndOneTheTwoCentreUprights)
{
    render("x", 0, near_depth);
    expect_glyph('x', 0, near_depth, {diag_tl, diag_tr, diag_bl, diag_br});
    render("1", 0, near_depth);
    expect_glyph('1', 0, near_depth, {upper_centre, lower_centre});
    render("i", 0, near_depth);
    expect_glyph('i', 0, near_depth, {upper_centre, lower_centre});
}

TEST_F(Text, OtherGlyphsLightTheirOwnSegments)
{
    const struct {
        const char *text;
        std::initializer_list<Seg> lit;
    } cases[] = {
        {"7", {top_left, top_right, upper_right, lower_right}},
        {"l", {upper_left, lower_left, bottom_left, bottom_right}},
        {"o", {top_left, top_right, upper_left, upper_right, lower_left, lower_right, bottom_left, bottom_right}},
        {"0", {top_left, top_right, upper_left, upper_right, lower_left, lower_right, bottom_left, bottom_right}},
        {"/", {diag_tr, diag_bl}},
        {"'", {diag_tr}},
        {"(", {top_left, upper_left, lower_left, bottom_left}},
        {"k", {upper_left, lower_left, diag_tr, diag_br}},
        {"t", {top_left, top_right, upper_centre, lower_centre}},
        {"z", {top_left, top_right, bottom_left, bottom_right, diag_tr, diag_bl}},
        {"y", {upper_right, middle_right, lower_right, diag_tl}},
    };
    for (const auto &c : cases) {
        render(c.text, 0, near_depth);
        expect_glyph(c.text[0], 0, near_depth, c.lit);
    }
}

TEST_F(Text, DiagonalsRunFromTheCornersToTheCentre)
{
    render("x", 0, near_depth);
    constexpr double pi = 3.14159265358979;
    const struct {
        Seg seg;
        double degrees;  // turn of the bar about z, counter-clockwise
    } diagonals[] = {{diag_tl, 25}, {diag_tr, -25}, {diag_bl, -25}, {diag_br, 25}};
    for (const auto &d : diagonals) {
        const double along_x = -std::sin(d.degrees * pi / 180) * 0.4;
        const double along_y = std::cos(d.degrees * pi / 180) * 0.4;
        const CellPoint c = centre[d.seg];
        for (double sign : {-1.0, 1.0}) {
            EXPECT_TRUE(bench::probe(in_cell(0, {c.x + sign * along_x, c.y + sign * along_y}, near_depth),
                                     bench::white))
                << "diagonal " << d.seg;
            // The mirror image of the bar stays dark.
            EXPECT_TRUE(bench::probe(in_cell(0, {c.x - sign * along_x, c.y + sign * along_y}, near_depth),
                                     bench::black))
                << "diagonal " << d.seg;
        }
    }
}

TEST_F(Text, BarsAreTwoTenthsWideAndAsLongAsTheirHalfLengthsSay)
{
    render("1", 0, near_depth);
    // Upper centre upright: x -0.1..0.1, y 0.2..1.2.
    EXPECT_TRUE(bench::probe(in_cell(0, {0.07, 0.7}, near_depth), bench::white));
    EXPECT_TRUE(bench::probe(in_cell(0, {0.13, 0.7}, near_depth), bench::black));
    EXPECT_TRUE(bench::probe(in_cell(0, {-0.07, 1.15}, near_depth), bench::white));
    EXPECT_TRUE(bench::probe(in_cell(0, {0, 1.25}, near_depth), bench::black));
    EXPECT_TRUE(bench::probe(in_cell(0, {0, 0.25}, near_depth), bench::white));
    EXPECT_TRUE(bench::probe(in_cell(0, {0, 0}, near_depth), bench::black)) << "the uprights do not meet";

    render("7", 0, near_depth);
    // Top bar halves: x -0.55..-0.05 and 0.05..0.55, y 1.2..1.4.
    EXPECT_TRUE(bench::probe(in_cell(0, {-0.5, 1.37}, near_depth), bench::white));
    EXPECT_TRUE(bench::probe(in_cell(0, {-0.3, 1.45}, near_depth), bench::black));
    EXPECT_TRUE(bench::probe(in_cell(0, {-0.6, 1.3}, near_depth), bench::black));
    EXPECT_TRUE(bench::probe(in_cell(0, {0.5, 1.23}, near_depth), bench::white));
    EXPECT_TRUE(bench::probe(in_cell(0, {0, 1.3}, near_depth), bench::black)) << "gap between the halves";
}

TEST_F(Text, SpaceAdvancesTwoUnitsAndDrawsNothing)
{
    // a centred at -2, the space at 0, b at +2.
    render("a b", -2, far_depth);
    expect_glyph('a', -2, far_depth,
                 {top_left, top_right, upper_left, upper_right, middle_left, middle_right, lower_left, lower_right});
    expect_glyph('b', 2, far_depth,
                 {top_left, top_right, upper_left, middle_left, middle_right, lower_left, lower_right, bottom_left,
                  bottom_right, diag_tr});
    EXPECT_EQ(0, drawn_between(-1.15, 1.15, far_depth));
}

TEST_F(Text, UpperCaseAndOtherPunctuationDrawNothingButAdvance)
{
    for (char blank : std::string("ADIOXZ!?-.,:;\"")) {
        const char text[] = {blank, 'x', '\0'};
        render(text, -1, far_depth);
        EXPECT_EQ(0, drawn_between(-2, 0, far_depth)) << "'" << blank << "' drew something";
        expect_glyph('x', 1, far_depth, {diag_tl, diag_tr, diag_bl, diag_br});
    }
}

TEST_F(Text, LeavesTheCallersMatrixStackColourAndBlendingAsTheyWere)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3, -2, 1);
    glRotatef(30, 0, 0, 1);
    glColor4f(1, 0.5f, 0.25f, 1);
    for (const char *text : {"", "x", "decrunching", "load new commander (y/n)"}) {
        GLint depth_before = 0, depth_after = 0;
        GLfloat matrix_before[16], matrix_after[16], colour[4];
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix_before);
        draw_text(text);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix_after);
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(depth_before, depth_after) << text;
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(matrix_before[i], matrix_after[i]) << text << ", element " << i;
        EXPECT_EQ(0.5f, colour[1]) << text;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << text;
    }
}

TEST_F(Text, DrawsInTheCallersColour)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 0.5f, 0.25f);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(0, 0, near_depth);
    draw_text("1");
    glPopMatrix();
    platform_present();
    EXPECT_TRUE(bench::probe(in_cell(0, centre[upper_centre], near_depth), bench::rgb(1, 0.5, 0.25)));
}

TEST_F(Text, EmptyStringDrawsNothing)
{
    render("", 0, near_depth);
    EXPECT_EQ(0, drawn_between(-2, 2, near_depth));
}

// Every byte value a string can hold; codes of 128 and above (negative as a
// plain char) and 255 lie past the 255-entry table. Run under the address
// sanitizer, a read outside the table ends the test.
TEST(TextCodes, OnlyTheFontsFortyCharactersDrawAndNoCodeReadsOutsideTheTable)
{
    bench::open(160, 120);
    fill_glyphs();
    const std::string font = "'()/0123456789abcdefghijklmnopqrstuvwxyz";
    for (int code = 1; code < 256; ++code) {
        const char text[] = {static_cast<char>(code), '\0'};
        render(text, 0, near_depth);
        const int drawn = drawn_between(-1, 1, near_depth);
        if (font.find(static_cast<char>(code)) != std::string::npos)
            EXPECT_GT(drawn, 0) << "code " << code;
        else
            EXPECT_EQ(0, drawn) << "code " << code;
    }

    std::string every;
    for (int code = 255; code > 0; --code)
        every += static_cast<char>(code);
    render(every.c_str(), 0, near_depth);
}

TEST(TextTable, IsBlankUntilFilled)
{
    bench::open();
    render("x1", 0, far_depth);
    EXPECT_EQ(0, drawn_between(-2, 4, far_depth));
    fill_glyphs();
    render("x1", 0, far_depth);
    EXPECT_GT(drawn_between(-2, 4, far_depth), 0);
}

}  // namespace
