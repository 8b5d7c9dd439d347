#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "bench.h"
#include "images.h"
#include "scenes.h"
#include "text.h"

// The logo scene, checked against the compiled-in logo: places in the
// picture are probed where the bench's projection puts them, and the
// captions where the segment font's cells lie.
namespace {

constexpr int width = 1280;
constexpr int height = 720;
constexpr Tick scene_start = 20000;  // tick of the set-up; any will do
constexpr Scene logo = {init_logofx, draw_logofx};

constexpr int columns = 1187;
constexpr int rows = 628;

bench::Rgb pixel(int c, int r)
{
    const std::uint8_t *p = logo_image + image_pixels_offset + (static_cast<std::size_t>(r) * columns + c) * 3;
    return {p[0], p[1], p[2]};
}

bool is_white(bench::Rgb c) { return c.r == 255 && c.g == 255 && c.b == 255; }

// The plane of points: 7 picture pixels a unit, pixel (593, 314) on the view
// axis, rows running down, 500 units away at first and one unit closer each
// tenth of a second.
double depth(Tick elapsed) { return elapsed / 100.0 - 500; }

bench::Point on_screen(double c, double r, Tick elapsed)
{
    return bench::project_eye((c - 593) / 7, (r - 314) / -7, depth(elapsed));
}

struct Place {
    int c, r;
};

// The picture pixel whose point lands on window point p.
Place under(bench::Point p, Tick elapsed)
{
    const bench::Point axis = on_screen(593, 314, elapsed);
    const double step = on_screen(594, 314, elapsed).x - axis.x;  // window pixels a picture pixel
    return {static_cast<int>(std::lround(593 + (p.x - axis.x) / step)),
            static_cast<int>(std::lround(314 + (p.y - axis.y) / step))};
}

// Points are 3 pixels across and the later one wins, so a window pixel shows
// one of the picture pixels within this reach of the one under it (at this
// window size and any distance the scene uses).
constexpr int reach = 4;

// Whether every picture pixel within reach has the colour at the centre,
// give or take a soft gradient.
bool uniform(Place at)
{
    const bench::Rgb centre = pixel(at.c, at.r);
    for (int r = std::max(at.r - reach, 0); r <= std::min(at.r + reach, rows - 1); ++r)
        for (int c = std::max(at.c - reach, 0); c <= std::min(at.c + reach, columns - 1); ++c) {
            const bench::Rgb p = pixel(c, r);
            if (std::abs(p.r - centre.r) > 2 || std::abs(p.g - centre.g) > 2 || std::abs(p.b - centre.b) > 2)
                return false;
        }
    return true;
}

// Whether window point p shows the picture pixel under it; asked only where
// the picture is plain, since neighbouring points overlap.
testing::AssertionResult shows_cloud(bench::Point p, Tick elapsed)
{
    const Place at = under(p, elapsed);
    if (!uniform(at))
        return testing::AssertionFailure() << "the picture is not plain around (" << at.c << ", " << at.r
                                           << "); the probe cannot predict the cloud there";
    return bench::probe(p, pixel(at.c, at.r));
}

// Two plain places in the picture, far apart and both on screen for the
// whole scene: in the porthole's night sky at the left, and at the right end
// of the captions' plate, where no caption reaches.
constexpr Place porthole = {200, 420};
constexpr Place plate = {1000, 300};

void expect_places_where_projected(Tick elapsed)
{
    for (Place place : {porthole, plate}) {
        ASSERT_TRUE(uniform(place));
        ASSERT_FALSE(is_white(pixel(place.c, place.r))) << "the probe could not tell the cloud from the clear colour";
        EXPECT_TRUE(bench::probe(on_screen(place.c, place.r, elapsed), pixel(place.c, place.r)))
            << "column " << place.c << ", row " << place.r << " at " << elapsed << " ms";
    }
}

// A box of pixels, inclusive; empty while right < left.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    void add(int x, int y)
    {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
    }
};

// The design: the picture's pixels that are not the white ground.
Box design()
{
    Box b;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if (!is_white(pixel(c, r)))
                b.add(c, r);
    return b;
}

Box frame_not_white()
{
    Box b;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!is_white(bench::at(x, y)))
                b.add(x, y);
    return b;
}

// A point covers pixel centres up to 1.5 pixels from where it lands.
constexpr double edge_tolerance = 2;

// The ground is the clear colour, so the design's outermost points bound
// what the frame shows: its size says how far away the cloud is, its middle
// that the cloud is centred.
void expect_design_where_projected(Tick elapsed)
{
    const Box d = design();
    const Box seen = frame_not_white();
    const bench::Point top_left = on_screen(d.left, d.top, elapsed);
    const bench::Point bottom_right = on_screen(d.right, d.bottom, elapsed);
    EXPECT_NEAR(top_left.x, seen.left + 0.5, edge_tolerance) << elapsed << " ms";
    EXPECT_NEAR(bottom_right.x, seen.right + 0.5, edge_tolerance) << elapsed << " ms";
    EXPECT_NEAR(top_left.y, seen.top + 0.5, edge_tolerance) << elapsed << " ms";
    EXPECT_NEAR(bottom_right.y, seen.bottom + 0.5, edge_tolerance) << elapsed << " ms";
}

// Every pixel is a point: along a row of the window through the plate, above
// the captions, no clear colour shows between the plate's points.
void expect_plate_without_gaps(Tick elapsed)
{
    constexpr int plate_row = 270, plate_left = 340, plate_right = 1030;
    const int y = static_cast<int>(on_screen(0, plate_row, elapsed).y);
    const int x0 = std::max(0, static_cast<int>(on_screen(plate_left, 0, elapsed).x));
    const int x1 = std::min(width, static_cast<int>(on_screen(plate_right, 0, elapsed).x));
    EXPECT_EQ(0, bench::count(x0, y, x1, y + 1, bench::white, 0)) << elapsed << " ms";
}

// A point of size 3 landing at p covers the pixels floor(p) - 1 to floor(p) + 1
// along each axis of GL's window coordinates (y up). Of the n points placed
// along one axis by place(i), the last that covers pixel x; -1 where none does.
template <typename Placement>
int last_covering(int x, int n, Placement place)
{
    for (int i = n - 1; i >= 0; --i) {
        const double p = place(i);
        if (p >= x - 1 && p < x + 2)
            return i;
    }
    return -1;
}

// GL snaps points to a subpixel grid, so one that lands within this of a
// pixel boundary may fall on either side of it.
constexpr double snap = 1.0 / 256;

// Through the title's letters, where the face, the outline, the extrusion and
// the white ground meet, so the edges show which point won.
constexpr Place title = {864, 150};

// Depth testing is off and the points are opaque, so each window pixel shows
// the last point drawn over it: the rightmost column that reaches it, and in
// that column the lowest row.
bool shows_last_point(int x, int y, Tick elapsed)
{
    const bench::Rgb seen = bench::at(x, y);
    for (double dx : {-snap, snap})
        for (double dy : {-snap, snap}) {
            const int c = last_covering(x, columns, [&](int i) { return on_screen(i, 0, elapsed).x + dx; });
            const int r = last_covering(height - 1 - y, rows,
                                        [&](int i) { return height - on_screen(0, i, elapsed).y + dy; });
            const bench::Rgb want = c < 0 || r < 0 ? bench::white : pixel(c, r);
            if (want.r == seen.r && want.g == seen.g && want.b == seen.b)
                return true;
        }
    return false;
}

// How many pixels on the line from (x, y) in steps of (dx, dy) do not.
int mismatches(int x, int y, int dx, int dy, Tick elapsed)
{
    int wrong = 0;
    for (; x < width && y < height; x += dx, y += dy)
        wrong += !shows_last_point(x, y, elapsed);
    return wrong;
}

class Logo : public testing::Test {
protected:
    void SetUp() override
    {
        bench::open(width, height);
        fill_glyphs();  // as part 1's set-up has done by the time this scene runs
        start_at(scene_start);
    }
    void start_at(Tick tick)
    {
        start = tick;
        offline::set_time(tick);
        init_logofx();
    }
    void frame_at(Tick elapsed) const { bench::draw_at(start + elapsed, logo); }
    Tick start = 0;
};

TEST(LogoSetUp, WhiteClearPointsOfThreeNoDepthTestNoCulling)
{
    bench::open(width, height);
    // The part before leaves its own state behind.
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
    glClearColor(0, 0, 0, 0);
    glPointSize(1);
    offline::set_time(scene_start);
    init_logofx();

    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(GL_SRC_ALPHA, source);
    EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, destination);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(1.0f, clear[0]);
    EXPECT_EQ(1.0f, clear[1]);
    EXPECT_EQ(1.0f, clear[2]);
    EXPECT_EQ(1.0f, clear[3]);
    GLfloat size = 0;
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(3.0f, size);
}

TEST_F(Logo, FirstFrameShowsTheWholeDesignWhereProjected)
{
    frame_at(0);
    bench::save("Logo.0s");
    expect_design_where_projected(0);
    expect_places_where_projected(0);
    expect_plate_without_gaps(0);
}

TEST_F(Logo, CloudComesOneUnitCloserEachTenthOfASecond)
{
    frame_at(5000);
    bench::save("Logo.5s");
    expect_design_where_projected(5000);
    expect_places_where_projected(5000);

    frame_at(15000);
    bench::save("Logo.15s");
    expect_places_where_projected(15000);
    expect_plate_without_gaps(15000);
}

TEST_F(Logo, WhereNeighbouringPointsOverlapTheLaterOneWins)
{
    // Early on a picture pixel is under a window pixel wide, later over one
    // (and captions cross the column, so only the row is checked). At these
    // times no point lands exactly on a pixel boundary.
    frame_at(1234);
    bench::Point mark = on_screen(title.c, title.r, 1234);
    EXPECT_EQ(0, mismatches(0, static_cast<int>(mark.y), 1, 0, 1234)) << bench::save("Logo.overlap.early");
    EXPECT_EQ(0, mismatches(static_cast<int>(mark.x), 0, 0, 1, 1234)) << bench::save("Logo.overlap.early");

    frame_at(14567);
    mark = on_screen(title.c, title.r, 14567);
    EXPECT_EQ(0, mismatches(0, static_cast<int>(mark.y), 1, 0, 14567)) << bench::save("Logo.overlap.late");
}

// A caption and the letter probed in it: its upper left upright (the 'p' of
// "presents", an 'a' elsewhere), so many cells from the start of the text.
struct Caption {
    const char *text;
    Tick after;    // ms after the scene's start
    double x, y;   // origin, relative to the base matrix, 50 units ahead of it
    int cell;
};

constexpr Caption captions[] = {
    {"presents", 4400, -5, 0, 0},
    {"at", 9400, -5, -3.5, 0},
    {"tavilo 2008", 10000, 0, -3.5, 1},
    {"a demo called", 14000, -5, -6.5, 0},
};

// The white copy sits 0.3 units left of and above the black one. Probed: the
// white upright's centre; the black upright's centre, down and right of it,
// where the white glyph has nothing; and as far up and left, outside both
// cells, where neither copy reaches (the picture is busy there, so only
// "neither white nor black" is certain).
void expect_captions(Tick elapsed)
{
    for (const Caption &caption : captions) {
        const double x = caption.x + 2 * caption.cell - 0.7;
        const double y = caption.y + 0.7;
        const bench::Point shadow = bench::project_base(x, y, -50);
        const bench::Point face = bench::project_base(x - 0.3, y + 0.3, -50);
        const bench::Point beyond = bench::project_base(x - 0.6, y + 0.6, -50);
        if (elapsed > caption.after) {
            EXPECT_TRUE(bench::probe(face, bench::white, 0)) << caption.text << " at " << elapsed << " ms";
            EXPECT_TRUE(bench::probe(shadow, bench::black, 0)) << caption.text << " at " << elapsed << " ms";
        } else {
            EXPECT_TRUE(shows_cloud(face, elapsed)) << caption.text << " at " << elapsed << " ms";
            EXPECT_TRUE(shows_cloud(shadow, elapsed)) << caption.text << " at " << elapsed << " ms";
        }
        EXPECT_TRUE(bench::probe_not(beyond, bench::black)) << caption.text << " at " << elapsed << " ms";
        EXPECT_TRUE(bench::probe_not(beyond, bench::white)) << caption.text << " at " << elapsed << " ms";
    }
}

TEST_F(Logo, EachCaptionIsAbsentAtItsThresholdAndShownJustAfter)
{
    for (const Caption &caption : captions) {
        frame_at(caption.after);
        expect_captions(caption.after);
        frame_at(caption.after + 1);
        expect_captions(caption.after + 1);
    }
}

TEST_F(Logo, CaptionsStayOnceShown)
{
    frame_at(10500);
    bench::save("Logo.10.5s");
    expect_captions(10500);
    frame_at(15500);
    expect_captions(15500);
}

// WCAG's relative luminance of an sRGB colour: 0 for black, 1 for white.
double luminance(bench::Rgb c)
{
    const auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

// The window pixels one caption's two copies cover, found by drawing it alone
// in white on black where the scene draws it.
std::vector<bool> caption_pixels(const Caption &caption)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    glPushMatrix();
    glTranslated(caption.x, caption.y, -50);
    draw_text(caption.text);
    glTranslatef(-0.3f, 0.3f, 0);
    draw_text(caption.text);
    glPopMatrix();
    platform_present();
    std::vector<bool> covered(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            covered[static_cast<std::size_t>(y) * width + x] = bench::at(x, y).r > 0;
    return covered;
}

// On the last frame every pixel of the ground round each caption's white
// text, within a margin of its strokes' box, gives the text a contrast of at
// least 4.5:1 (WCAG's ratio, white's luminance 1 against the ground's).
TEST_F(Logo, CaptionsStandOutFromTheirGroundOnTheLastFrame)
{
    frame_at(15500);
    const offline::Frame last = offline::last_frame();
    std::vector<Box> strokes;
    std::vector<bool> any(static_cast<std::size_t>(width) * height);
    for (const Caption &caption : captions) {
        const std::vector<bool> covered = caption_pixels(caption);
        strokes.emplace_back();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (covered[static_cast<std::size_t>(y) * width + x]) {
                    strokes.back().add(x, y);
                    any[static_cast<std::size_t>(y) * width + x] = true;
                }
    }
    constexpr int margin = 3;
    for (std::size_t k = 0; k < strokes.size(); ++k) {
        const Box &b = strokes[k];
        double brightest = 0;
        for (int y = std::max(b.top - margin, 0); y <= std::min(b.bottom + margin, height - 1); ++y)
            for (int x = std::max(b.left - margin, 0); x <= std::min(b.right + margin, width - 1); ++x)
                if (!any[static_cast<std::size_t>(y) * width + x]) {
                    const std::uint8_t *p = last.pixel(x, y);
                    brightest = std::max(brightest, luminance({p[0], p[1], p[2]}));
                }
        EXPECT_GE(1.05 / (brightest + 0.05), 4.5) << captions[k].text;
    }
}

TEST_F(Logo, SceneClockCountsFromItsSetUpAcrossTheTickCounterWrap)
{
    start_at(0xFFFFF000);
    frame_at(4400);
    expect_captions(4400);
    frame_at(4401);
    expect_captions(4401);
}

}  // namespace
