#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "bench.h"
#include "feedback.h"
#include "scenes.h"
#include "tilewave.h"

namespace {

const Scene tiles = {init_tilewave, draw_tilewave};

constexpr bench::Rgb blue = {0, 0, 255};
constexpr bench::Rgb red = {255, 0, 0};
constexpr int width = 1280, height = 720;

// At 37.05 s the wandering centre is near cell (25, 26), far from the cells
// probed below, and the wall bulges towards the viewer (cos h > 0).
constexpr Tick calm_tick = 37050;
// At 37.28 s the centre lies 0.13 cells from cell (21, 16).
constexpr Tick bulge_tick = 37280;

// The scene hands logo() the tick in tenths as a float.
float tenths_at(Tick tick) { return static_cast<float>(tick) / 100; }

struct Tile {
    double x, y, z;  // lower left of the tile's cell, relative to the base matrix
};

// Where cell (u, v) rests at a tick: pushed out from the wandering centre and
// swirled by its distance from it, and raised towards the viewer near it.
Tile tile_at(Tick tick, double u, double v)
{
    const double h = tenths_at(tick) / 10;  // seconds
    const double o = 20 * std::cos(h);
    const double from_centre_u = u - 6 + 20 * std::sin(2 * h);
    const double from_centre_v = v - 6 + 20 * std::cos(5 * h);
    const double d = std::hypot(from_centre_u, from_centre_v);
    return {u - 6 + 0.1 * d * std::sin(3 * h + d / 10), v - 6 + 0.1 * d * std::cos(6 * h + d / 10),
            100 * o / (o / 5 + d) - 470};
}

bench::Point tile_centre(Tick tick, double u, double v)
{
    const Tile t = tile_at(tick, u, v);
    return bench::project_base(t.x + 0.5, t.y + 0.5, t.z);
}

TEST(TileWave, CellsShowTheBitmapMirroredAboutColumnAndRowZero)
{
    bench::open(width, height);
    bench::draw_at(calm_tick, tiles, true);
    bench::save("TileWave.calm");
    struct Cell {
        int u, v;
        bench::Rgb colour;
    };
    // Row 1 column 4 is blue, row 4 column 7 red; column 12 wraps to the
    // blank column 0, column 15 to column 3.
    for (const Cell &c : {Cell{4, 1, blue}, Cell{-4, -1, blue}, Cell{4, -1, blue}, Cell{-4, 1, blue},
                          Cell{7, 4, red}, Cell{-7, -4, red}, Cell{12, 1, bench::white}, Cell{15, 1, blue},
                          Cell{3, 1, blue}, Cell{2, 1, bench::white}, Cell{7, 7, blue}, Cell{-11, 7, bench::white}})
        EXPECT_TRUE(bench::probe(tile_centre(calm_tick, c.u, c.v), c.colour)) << "cell (" << c.u << ", " << c.v << ")";
}

TEST(TileWave, BackgroundIsWhiteBetweenTheBitmapBands)
{
    bench::open(width, height);
    bench::draw_at(calm_tick, tiles, true);
    // Bitmap columns 11 and 0 are blank, so the cells 11 and 12 leave a
    // gap between column 10 and column 13; the gap around cell 0 is the
    // mirror's seam.
    for (int v : {4, 7}) {
        EXPECT_TRUE(bench::probe_not(tile_centre(calm_tick, 10, v), bench::white)) << "row " << v;
        EXPECT_TRUE(bench::probe(tile_centre(calm_tick, 13, v), blue)) << "row " << v;
    }
    for (int v = 1; v <= 10; ++v)
        EXPECT_TRUE(bench::probe(tile_centre(calm_tick, 11.5, v), bench::white)) << "row " << v;
    for (int v = 3; v <= 8; ++v) {
        EXPECT_TRUE(bench::probe(tile_centre(calm_tick, -1, v), blue)) << "row " << v;
        EXPECT_TRUE(bench::probe(tile_centre(calm_tick, 0, v), bench::white)) << "row " << v;
        EXPECT_TRUE(bench::probe(tile_centre(calm_tick, 1, v), blue)) << "row " << v;
    }
    // Bitmap rows 11 and 0 are blank too: a horizontal gap between v = 10 and v = 13.
    for (int u : {3, 4, 5})
        EXPECT_TRUE(bench::probe(tile_centre(calm_tick, u, 11.5), bench::white)) << "column " << u;
}

// The tiles logo() draws, in eye space with the identity for a base, under
// a view that holds every tile at a tick when none flies past the eye.
std::vector<feedback::Quad> feed_tiles(float tenths, int halfCells)
{
    return feedback::capture_quads(300, 1000, [&] {
        glPushMatrix();
        glLoadIdentity();
        logo(tenths, 0, halfCells);
        glPopMatrix();
    });
}

struct TileCount {
    int blue = 0, red = 0, other = 0;
    int total() const { return blue + red + other; }
};

TileCount count_tiles(float tenths, int halfCells)
{
    TileCount count;
    for (const feedback::Quad &tile : feed_tiles(tenths, halfCells)) {
        const feedback::Vertex &c = tile.front();
        const bool is_blue = c.r == 0 && c.g == 0 && c.b == 1, is_red = c.r == 1 && c.g == 0 && c.b == 0;
        ++(is_blue ? count.blue : is_red ? count.red : count.other);
    }
    return count;
}

TEST(TileWave, TilesLieWhereTheSwirlAndTheBulgePutThemInTheOrderOfTheCells)
{
    bench::open(width, height);
    bench::draw_at(calm_tick, tiles, true);
    constexpr int half = 100, side = 2 * half;
    constexpr double tolerance = 0.01;
    for (Tick tick : {calm_tick, bulge_tick}) {
        const std::vector<feedback::Quad> fed = feed_tiles(tenths_at(tick), half);
        // Columns outer, rows inner: each tile must match a cell further on
        // than the one before.
        int cell = 0, matched = 0;
        double highest = -1e9;
        for (const feedback::Quad &quad : fed) {
            const feedback::Bounds f = feedback::bounds(&quad);
            for (; cell < side * side; ++cell) {
                const Tile t = tile_at(tick, cell / side - half, cell % side - half);
                if (std::abs(f.left - (t.x - 0.1)) < tolerance && std::abs(f.right - (t.x + 1.1)) < tolerance &&
                    std::abs(f.bottom - (t.y - 0.1)) < tolerance && std::abs(f.top - (t.y + 1.1)) < tolerance &&
                    std::abs(f.back - t.z) < tolerance && std::abs(f.front - t.z) < tolerance)
                    break;
            }
            if (cell == side * side) {
                ADD_FAILURE() << "tick " << tick << ": tile " << matched << " at (" << f.left << ", " << f.bottom
                              << ", " << f.front << ") matches no cell after the previous tile's";
                break;
            }
            ++cell;
            ++matched;
            highest = std::max(highest, f.front);
        }
        EXPECT_EQ(12992, matched) << "tick " << tick;
        if (tick == bulge_tick) {
            EXPECT_GT(highest, -470 + 480) << "the cell by the centre rises nearly 500 units off the wall";
        }
    }
}

TEST(TileWave, CountsTilesByColourAndEveryOneFacesTheViewer)
{
    bench::open(width, height);
    bench::draw_at(calm_tick, tiles, true);
    const float tenths = tenths_at(calm_tick);

    // The bitmap holds 39 blue and 7 red tiles; its blank first row and
    // column make the mirrored copies about cell 0 disjoint. Cells -12 .. 11
    // hold four copies, cells -100 .. 99 a further share of partial ones.
    const TileCount small = count_tiles(tenths, 12);
    EXPECT_EQ(4 * 39, small.blue);
    EXPECT_EQ(4 * 7, small.red);
    EXPECT_EQ(0, small.other);

    const TileCount full = count_tiles(tenths, 100);
    EXPECT_EQ(12992, full.total());
    EXPECT_EQ(11136, full.blue);
    EXPECT_EQ(1856, full.red);

    // With front faces culled instead nothing is left: every tile faces us.
    glCullFace(GL_FRONT);
    EXPECT_EQ(0, count_tiles(tenths, 100).total());
    glCullFace(GL_BACK);
}

TEST(TileWave, NoCellsNoTiles)
{
    bench::open(width, height);
    bench::draw_at(calm_tick, tiles, true);
    for (int half : {0, -1, -100})
        EXPECT_EQ(0, count_tiles(tenths_at(calm_tick), half).total()) << half;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    logo(tenths_at(calm_tick), 0, 0);
    platform_present();
    EXPECT_EQ(width * height, bench::count(0, 0, width, height, bench::white));
}

TEST(TileWave, WallMovesWithTheAbsoluteTick)
{
    bench::open(width, height);
    bench::draw_at(calm_tick, tiles, true);
    const offline::Frame calm = offline::last_frame();
    bench::draw_at(calm_tick + 40, tiles);
    EXPECT_NE(calm.rgb, offline::last_frame().rgb);
    bench::draw_at(calm_tick, tiles);
    EXPECT_EQ(calm.rgb, offline::last_frame().rgb) << "the same tick gives the same wall";

    for (Tick tick : {33000u, 35000u, 38000u, 40000u, 41000u}) {
        bench::draw_at(tick, tiles);
        bench::save("TileWave.at_" + std::to_string(tick));
    }
}

}  // namespace
