#include <GL/gl.h>

#include "bench.h"
#include "scenes.h"

namespace {

const Scene decrunch = {init_decrunch, draw_decrunch};

// The caption's origin in eye space; the bar's lower edge is 2 units above
// it and the bar is 1 unit high.
constexpr double caption_x = -15;
constexpr double depth = -200;
constexpr double bar_mid_y = 2.5;

constexpr int width = 1280;
constexpr int height = 720;

bench::Point eye(double x, double y) { return bench::project_eye(x, y, depth); }

struct Span {
    double left, right;  // eye-space x
    bool found;
};

// The lit run along the bar's middle row, converted back to eye units.
Span bar_span()
{
    const int row = static_cast<int>(eye(0, bar_mid_y).y);
    const double centre_x = eye(0, 0).x;
    const double per_unit = bench::pixels_per_unit(depth);
    int first = -1, last = -1;
    for (int x = 0; x < width; ++x) {
        const bench::Rgb c = bench::at(x, row);
        if (c.r > 127 && c.g > 127 && c.b > 127) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return {(first - centre_x) / per_unit, (last + 1 - centre_x) / per_unit, first >= 0};
}

int non_black(int x0, int y0, int x1, int y1)
{
    return (x1 - x0) * (y1 - y0) - bench::count(x0, y0, x1, y1, bench::black, 0);
}

int non_black_frame() { return non_black(0, 0, width, height); }

class Decrunch : public testing::Test {
protected:
    void SetUp() override { bench::open(width, height); }
};

TEST_F(Decrunch, SetUpTurnsOnCullingBlendingDepthAndNormalizeOverOpaqueBlack)
{
    init_decrunch();
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    GLint src = 0, dst = 0, cull = 0, front = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetIntegerv(GL_CULL_FACE_MODE, &cull);
    glGetIntegerv(GL_FRONT_FACE, &front);
    EXPECT_EQ(GL_SRC_ALPHA, src);
    EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, dst);
    EXPECT_EQ(GL_BACK, cull) << "back faces are the ones culled";
    EXPECT_EQ(GL_CCW, front);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(0.0f, clear[0]);
    EXPECT_EQ(0.0f, clear[1]);
    EXPECT_EQ(0.0f, clear[2]);
    EXPECT_EQ(1.0f, clear[3]);
}

// Culling is on (checked above), so a lit bar also proves its winding.
TEST_F(Decrunch, AtTick2800TheBarRunsFromMinus15ToMinus5AboveTheCaption)
{
    bench::draw_at(2800, decrunch, true);
    ASSERT_TRUE(glIsEnabled(GL_CULL_FACE));
    const Span bar = bar_span();
    ASSERT_TRUE(bar.found) << "no bar; frame saved as " << bench::save("Decrunch.tick2800");
    EXPECT_NEAR(caption_x, bar.left, 0.1);
    EXPECT_NEAR(caption_x + 10, bar.right, 0.1);

    EXPECT_TRUE(bench::probe(eye(-14.8, bar_mid_y), bench::white));
    EXPECT_TRUE(bench::probe(eye(-10, 2.2), bench::white));
    EXPECT_TRUE(bench::probe(eye(-10, 2.8), bench::white));
    EXPECT_TRUE(bench::probe(eye(-5.2, bar_mid_y), bench::white));
    EXPECT_TRUE(bench::probe(eye(-4.8, bar_mid_y), bench::black)) << "just past the end";
    EXPECT_TRUE(bench::probe(eye(-15.2, bar_mid_y), bench::black)) << "just before the start";
    EXPECT_TRUE(bench::probe(eye(-10, 3.2), bench::black)) << "above";
    EXPECT_TRUE(bench::probe(eye(-10, 1.8), bench::black)) << "below";
}

TEST_F(Decrunch, BarLengthFollowsTheAbsoluteTickNotTheSceneStart)
{
    bench::draw_at(2000, decrunch, true);
    for (Tick t : {Tick{2100}, Tick{2800}, Tick{4200}, Tick{1400}}) {
        bench::draw_at(t, decrunch);
        const Span bar = bar_span();
        ASSERT_TRUE(bar.found) << "tick " << t;
        EXPECT_NEAR(caption_x, bar.left, 0.1) << "tick " << t;
        EXPECT_NEAR(caption_x + t / 280.0, bar.right, 0.1) << "tick " << t;
    }
}

TEST_F(Decrunch, CaptionStartsAtTheBarsLeftEndWhateverTheModelViewHeld)
{
    init_decrunch();
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(13, -7, 40);
    glRotatef(50, 1, 1, 0);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    bench::draw_at(3000, decrunch);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(before[i], after[i]) << "model-view element " << i;

    // "decrunching": d centred on -15, i (the ninth) on +1, g (the last) on +5.
    EXPECT_TRUE(bench::probe(eye(caption_x - 0.7, -0.7), bench::white)) << "d: lower left upright";
    EXPECT_TRUE(bench::probe(eye(caption_x + 0.7, 0.7), bench::white)) << "d: upper right upright";
    EXPECT_TRUE(bench::probe(eye(caption_x - 0.7, 0.7), bench::black)) << "d: no upper left upright";
    EXPECT_TRUE(bench::probe(eye(caption_x - 0.3, 1.3), bench::black)) << "d: no top bar";
    EXPECT_TRUE(bench::probe(eye(1, 0.7), bench::white)) << "i: upper centre upright";
    EXPECT_TRUE(bench::probe(eye(1, -0.7), bench::white)) << "i: lower centre upright";
    EXPECT_TRUE(bench::probe(eye(1.7, 0.7), bench::black)) << "i: nothing right of centre";
    EXPECT_TRUE(bench::probe(eye(5.3, 0), bench::white)) << "g: middle bar, right half";
    EXPECT_TRUE(bench::probe(eye(4.7, 0), bench::black)) << "g: no middle bar, left half";
    EXPECT_TRUE(bench::probe(eye(5.3, -1.3), bench::white)) << "g: bottom bar";

    // Nothing left of the first cell, right of the last, or between the
    // cells' tops and the bar.
    const bench::Point top_left = eye(caption_x - 0.85, 3.5);
    const bench::Point bottom_right = eye(5.85, -1.5);
    const bench::Point cells_top = eye(0, 1.45), bar_bottom = eye(0, 1.95);
    EXPECT_EQ(0, non_black(0, 0, static_cast<int>(top_left.x), height));
    EXPECT_EQ(0, non_black(static_cast<int>(bottom_right.x) + 1, 0, width, height));
    EXPECT_EQ(0, non_black(0, static_cast<int>(bar_bottom.y) + 1, width, static_cast<int>(cells_top.y)));
    EXPECT_EQ(0, non_black(0, 0, width, static_cast<int>(top_left.y)));
    EXPECT_EQ(0, non_black(0, static_cast<int>(bottom_right.y) + 1, width, height));

    bench::save("Decrunch.tick3000");
}

TEST_F(Decrunch, LastDrawingTickShowsCaptionAndA1964UnitBarThenOnlyBlack)
{
    bench::draw_at(5499, decrunch, true);
    const Span bar = bar_span();
    ASSERT_TRUE(bar.found);
    EXPECT_NEAR(caption_x, bar.left, 0.1);
    EXPECT_NEAR(caption_x + 19.64, bar.right, 0.1);
    EXPECT_LT(bar.right, 5.8) << "the bar stops short of the caption's right end";
    EXPECT_TRUE(bench::probe(eye(caption_x - 0.7, -0.7), bench::white)) << "caption";
    EXPECT_TRUE(bench::probe(eye(5.3, 0), bench::white)) << "caption";

    const long presented = offline::presented_frames();
    for (Tick t : {Tick{5500}, Tick{5501}, Tick{8000}, Tick{4294967295u}}) {
        bench::draw_at(t, decrunch);
        EXPECT_EQ(0, non_black_frame()) << "tick " << t;
    }
    EXPECT_EQ(presented + 4, offline::presented_frames()) << "blank frames are still presented";
}

TEST_F(Decrunch, StartUpPastTheCaptionsTimeShowsOnlyBlack)
{
    const long presented = offline::presented_frames();
    bench::draw_at(6000, decrunch, true);
    EXPECT_EQ(0, non_black_frame());
    EXPECT_EQ(presented + 1, offline::presented_frames());
}

}  // namespace
