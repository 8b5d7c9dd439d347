#include <algorithm>
#include <cstdlib>
#include <optional>

#include "bench.h"
#include "images.h"
#include "picture.h"
#include "scenes.h"

// The picture reveal, checked against the compiled-in picture itself: the
// tests scan the record for places with the properties they need and probe
// where the bench's projection puts them.
namespace {

// Tall enough for the whole picture (it reaches 0.756 of the half-width up
// and down) and wide enough that a point covers under three columns.
constexpr int width = 900;
constexpr int height = 720;
constexpr Tick picstart = 2000;
constexpr Scene reveal = {init_picture, draw_picture};

constexpr int columns = 800;
constexpr int rows = 1058;
constexpr double depth = -700;
// Points are 3.5 pixels across: a probe is decided by its neighbours within
// this many columns and rows either side, at this window size.
constexpr int reach = 4;
constexpr double point_radius = 1.75;

bench::Rgb pixel(int c, int r)
{
    const std::uint8_t *p = pic_image + image_pixels_offset + (static_cast<std::size_t>(r) * columns + c) * 3;
    return {p[0], p[1], p[2]};
}

bool empty(int c, int r)
{
    const bench::Rgb p = pixel(c, r);
    return p.r == 0 && p.g == 0 && p.b == 0;
}

struct Place {
    int c, r;
};

bench::Point on_screen(double c, double r) { return bench::project_eye((c - 400) / 5, (r - 529) / -5, depth); }
bench::Point on_screen(Place p) { return on_screen(p.c, p.r); }

// A place whose neighbourhood the test can predict: every pixel within reach
// either empty (when empty_wanted) or of one colour that stands out from white.
bool uniform(Place at, bool empty_wanted)
{
    const bench::Rgb centre = pixel(at.c, at.r);
    if (!empty_wanted && std::min({centre.r, centre.g, centre.b}) > 200)
        return false;
    for (int r = at.r - reach; r <= at.r + reach; ++r)
        for (int c = at.c - reach; c <= at.c + reach; ++c) {
            if (empty(c, r) != empty_wanted)
                return false;
            const bench::Rgb p = pixel(c, r);
            if (std::abs(p.r - centre.r) > 6 || std::abs(p.g - centre.g) > 6 || std::abs(p.b - centre.b) > 6)
                return false;
        }
    return true;
}

std::optional<Place> find(int first_row, int last_row, int first_column, int last_column, bool empty_wanted)
{
    for (int r = std::max(first_row, reach); r <= std::min(last_row, rows - 1 - reach); ++r)
        for (int c = std::max(first_column, reach); c <= std::min(last_column, columns - 1 - reach); ++c)
            if (uniform({c, r}, empty_wanted))
                return Place{c, r};
    return std::nullopt;
}

std::optional<Place> find_subject(int first_row, int last_row, int first_column = 0, int last_column = columns)
{
    return find(first_row, last_row, first_column, last_column, false);
}

// The picture's bounding box of non-empty pixels.
struct Extent {
    int left = columns, right = -1, top = rows, bottom = -1;
};

Extent subject_extent()
{
    Extent e;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if (!empty(c, r)) {
                e.left = std::min(e.left, c);
                e.right = std::max(e.right, c);
                e.top = std::min(e.top, r);
                e.bottom = std::max(e.bottom, r);
            }
    return e;
}

bool is_white(bench::Rgb c) { return c.r == 255 && c.g == 255 && c.b == 255; }

class Reveal : public testing::Test {
protected:
    void SetUp() override
    {
        bench::open(width, height);
        offline::set_time(picstart);
        init_picture();
    }
    static void frame_at(Tick elapsed) { bench::draw_at(picstart + elapsed, reveal); }
};

TEST_F(Reveal, StartsWhiteAndTheFirstRowsOfTheSubjectComeInFaintly)
{
    frame_at(5);
    EXPECT_EQ(width * height, bench::count(0, 0, width, height, bench::white, 0))
        << "row 0 has alpha 0.05 and is empty in this picture anyway";

    // 5 ms after the front reaches the subject's top row: alpha 0.05 there.
    const int top = subject_extent().top;
    frame_at(static_cast<Tick>(10 * top + 5));
    const double row_y = on_screen(400, top).y;
    int faint = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bench::Rgb seen = bench::at(x, y);
            if (is_white(seen))
                continue;
            ++faint;
            ASSERT_NEAR(row_y, y, point_radius + 1) << "only the front row shows, at " << x;
            ASSERT_GE(std::min({seen.r, seen.g, seen.b}), 240) << "and only faintly, at " << x << ", " << y;
        }
    EXPECT_GT(faint, 0) << bench::save("Reveal.faint");
}

TEST_F(Reveal, AtClock50RowsAboveTheFrontAreOpaqueAndRowsBelowItInvisible)
{
    frame_at(5000);
    const std::optional<Place> above = find_subject(300, 480);
    const std::optional<Place> below = find_subject(560, 1000);
    ASSERT_TRUE(above && below) << "the picture has no plain subject area on both sides of row 500";
    EXPECT_TRUE(bench::probe(on_screen(*above), pixel(above->c, above->r), 6));
    EXPECT_TRUE(bench::probe(on_screen(*below), bench::white, 0));

    // Row 500 has alpha 0 and every row below it less: nothing under it shows.
    const int first_hidden_y = static_cast<int>(on_screen(400, 500).y + point_radius + 1);
    EXPECT_EQ(width * (height - first_hidden_y), bench::count(0, first_hidden_y, width, height, bench::white, 0))
        << bench::save("Reveal.front");
}

TEST_F(Reveal, FadeBandIsTranslucentBecauseOnePointDecidesEachPixel)
{
    frame_at(5000);
    const std::optional<Place> band = find_subject(495, 497);
    ASSERT_TRUE(band) << "no plain subject area just above row 500";
    // The first point over the pixel is a couple of rows higher, at alpha
    // 0.6 to 0.8; stacked points would have made it nearly opaque.
    const bench::Rgb full = pixel(band->c, band->r);
    const bench::Rgb seen = bench::at(on_screen(*band));
    for (auto [opaque, got] : {std::pair{full.r, seen.r}, std::pair{full.g, seen.g}, std::pair{full.b, seen.b}}) {
        const double whiteness = (255 - opaque) * 0.15;
        EXPECT_GE(got, opaque + whiteness) << "seen " << seen << ", opaque " << full;
        EXPECT_LE(got, 255 - whiteness) << "seen " << seen << ", opaque " << full;
    }
}

TEST(RowAlpha, FrontMovesTenRowsATenthAndEachRowFadesInOverTen)
{
    EXPECT_FLOAT_EQ(1.0f, row_alpha(50, 490));
    EXPECT_FLOAT_EQ(0.5f, row_alpha(50, 495));
    EXPECT_FLOAT_EQ(0.0f, row_alpha(50, 500));
    EXPECT_FLOAT_EQ(-10.0f, row_alpha(50, 600)) << "no lower bound";
    EXPECT_FLOAT_EQ(1.0f, row_alpha(1.0f, 0)) << "row 0 opaque after 100 ms";
    EXPECT_FLOAT_EQ(1.0f, row_alpha(106.7f, 1057)) << "the last row after 10670 ms";
    EXPECT_LT(row_alpha(106.6f, 1057), 1.0f);
    for (float t : {200.0f, 1000.0f, 1e6f})
        EXPECT_EQ(1.0f, row_alpha(t, 0)) << "never above 1, at " << t;
}

TEST_F(Reveal, EmptyPixelsNeverDarkenTheWhite)
{
    const std::optional<Place> hole = find(100, rows, 100, columns, true);
    ASSERT_TRUE(hole);
    for (Tick elapsed : {5000u, 12000u, 17500u}) {
        frame_at(elapsed);
        EXPECT_TRUE(bench::probe(on_screen(*hole), bench::white, 0)) << elapsed;
    }
}

TEST_F(Reveal, WholePictureStandsWhereTheProjectionPutsItOnceRevealed)
{
    const Extent e = subject_extent();
    // Places across the picture: near its top, left, right and bottom.
    const std::optional<Place> places[] = {
        find_subject(e.top, rows),
        find_subject(0, rows, e.left, columns),
        find_subject(0, rows, columns / 2, columns),
        find_subject(rows / 2 + 200, rows),
    };
    for (Tick elapsed : {10670u, 12000u, 17500u}) {
        frame_at(elapsed);
        for (const std::optional<Place> &place : places) {
            ASSERT_TRUE(place);
            EXPECT_TRUE(bench::probe(on_screen(*place), pixel(place->c, place->r), 6))
                << "column " << place->c << ", row " << place->r << " at " << elapsed << " ms";
        }
    }

    // The non-white part of the frame is the subject's box, widened by half a point.
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!is_white(bench::at(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    const bench::Point top_left = on_screen(e.left, e.top);
    const bench::Point bottom_right = on_screen(e.right, e.bottom);
    EXPECT_NEAR(top_left.x - point_radius, left, 1.5);
    EXPECT_NEAR(bottom_right.x + point_radius, right + 1, 1.5);
    EXPECT_NEAR(top_left.y - point_radius, top, 1.5);
    EXPECT_NEAR(bottom_right.y + point_radius, bottom + 1, 1.5);
    bench::save("Reveal.whole");
}

}  // namespace
