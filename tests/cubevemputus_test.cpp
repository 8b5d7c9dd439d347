#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "bench.h"
#include "feedback.h"
#include "cubevemputus.h"
#include "scenes.h"

namespace {

const Scene cubes = {init_cubevemputus, draw_cubevemputus};

constexpr bench::Rgb background = bench::rgb(0.7, 0.2, 0.2);
constexpr std::array<bench::Rgb, 3> petal_colours = {
    bench::rgb(0.6, 1.0, 0.3), bench::rgb(0.3, 1.0, 0.3), bench::rgb(0.4, 0.9, 0.4)};

// The scene normally starts about 23.7 s into the run.
constexpr Tick scene_start = 24000;
constexpr int title_chars = 17;

bool close(bench::Rgb a, bench::Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

bool is_petal(bench::Rgb c)
{
    for (const bench::Rgb &petal : petal_colours)
        if (close(c, petal, 3))
            return true;
    return false;
}

struct Vec {
    double x, y, z;
};

// Rodrigues' formula: v turned by `degrees` about `axis`, right-handed, as
// glRotate turns it.
Vec rotate(Vec v, double degrees, Vec axis)
{
    const double length = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
    const Vec k = {axis.x / length, axis.y / length, axis.z / length};
    const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const double dot = k.x * v.x + k.y * v.y + k.z * v.z;
    const Vec cross = {k.y * v.z - k.z * v.y, k.z * v.x - k.x * v.z, k.x * v.y - k.y * v.x};
    return {v.x * c + cross.x * s + k.x * dot * (1 - c), v.y * c + cross.y * s + k.y * dot * (1 - c),
            v.z * c + cross.z * s + k.z * dot * (1 - c)};
}

// The flower's tumble at a tick: a point of the middle slice to eye space.
Vec flower_to_eye(Tick tick, Vec p)
{
    const double t = tick / 100.0;
    const Vec turned = rotate(rotate(p, 5 * t, {1, 0, 0}), 10 * t, {0.5, -0.2, 0.6});
    return {turned.x, turned.y, turned.z - 30};
}

// Moves the base matrix sideways, far enough that the cubes and the title,
// which hang from it, leave the window.
void shift_base(double x, double y)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(x, y, -100);
}

TEST(CubeScene, BackgroundIsDarkRedWhereNothingReaches)
{
    bench::open();
    // No cube comes nearer than 100 - (50 + 27 + sqrt 3) units to the eye nor
    // further than 1 + sqrt 3 from the y = 0 plane, which bounds how high
    // and low on the window it can reach; the flower and the title lie
    // inside that band too.
    const double reach = 1 + std::sqrt(3.0), nearest = 50 + 27 + std::sqrt(3.0);
    bool first = true;
    for (Tick tick : {scene_start, scene_start + 2345, scene_start + 8800}) {
        bench::draw_at(tick, cubes, first);
        first = false;
        const int top = static_cast<int>(bench::project_base(0, reach, nearest).y) - 1;
        const int bottom = static_cast<int>(bench::project_base(0, -reach, nearest).y) + 2;
        ASSERT_GT(top, 10);
        const int width = bench::default_width, height = bench::default_height;
        EXPECT_EQ(width * top, bench::count(0, 0, width, top, background)) << "tick " << tick;
        EXPECT_EQ(width * (height - bottom), bench::count(0, bottom, width, height, background))
            << "tick " << tick;
    }
}

TEST(CubeScene, FlowerSitsThirtyUnitsBeforeTheEyeWhateverTheBaseMatrix)
{
    bench::open();
    constexpr Tick tick = scene_start + 1500;
    // The middle slice, scaled by 2, must face the viewer enough to be seen.
    const Vec normal = flower_to_eye(tick, {0, 0, 1});
    ASSERT_GT(std::abs(normal.z + 30), 0.5);

    bench::draw_at(tick, cubes, true);
    const bench::Point centre = bench::project_eye(0, 0, -30);
    // Every point of the flower lies within sqrt(3^2 + (0.2 * 1.3)^2) < 3.02
    // units of its centre, so none reaches as far out as this one.
    const bench::Point outside = bench::project_eye(3.02 + 0.2, 0, -(30 - 3.02));

    for (const Vec base : {Vec{400, 0, 0}, Vec{-400, 60, 0}}) {
        shift_base(base.x, base.y);
        bench::draw_at(tick, cubes);
        EXPECT_TRUE(is_petal(bench::at(centre))) << bench::at(centre);
        // Halfway along each petal of the middle slice.
        for (int k = 1; k <= 5; ++k) {
            const double a = 72.0 * k * M_PI / 180;
            const Vec eye = flower_to_eye(tick, {2 * std::sin(a), -2 * std::cos(a), 0});
            const bench::Point p = bench::project_eye(eye.x, eye.y, eye.z);
            EXPECT_TRUE(is_petal(bench::at(p))) << "petal " << k << " at (" << p.x << ", " << p.y << ") is "
                                                << bench::at(p) << "; saved " << bench::save("CubeScene.flower");
        }
        EXPECT_TRUE(bench::probe({outside.x, centre.y}, background));
        EXPECT_TRUE(bench::probe({2 * centre.x - outside.x, centre.y}, background));
        EXPECT_TRUE(bench::probe({centre.x, centre.y + outside.x - centre.x}, background));
    }
}

bench::Point title_point(int i, double x, double y) { return bench::project_base(-15 + 2 * i + x, y, -50); }

// The title's "u"s and the spaces either side of "under".
constexpr std::array<int, 2> u_cells = {2, 6};
constexpr std::array<int, 2> space_cells = {5, 11};

// On a scene's first frame every character is scrambled. A "u" pushed 6 or
// more past itself lands beyond "z", and a space pushed less than 7 short
// of the apostrophe: codes without a glyph. Finds a fresh sequence under
// which those cells stay bare.
unsigned seed_leaving_cells_bare()
{
    for (unsigned seed = 1;; ++seed) {
        std::srand(seed);
        std::array<int, title_chars> noise;
        for (int &n : noise)
            n = std::rand() % 10;
        if (noise[u_cells[0]] >= 6 && noise[u_cells[1]] >= 6 && noise[space_cells[0]] < 7 &&
            noise[space_cells[1]] < 7)
            return seed;
    }
}

// The same moment of the scene twice: once with the title settled, once on
// the scene's first frame with the cells above left bare, showing just what
// lies beneath the title.
struct TitleFrames {
    offline::Frame settled, bare;
};

TitleFrames title_frames(Tick start, Tick tick)
{
    TitleFrames frames;
    bench::draw_at(start, cubes, true);
    bench::draw_at(tick, cubes);
    frames.settled = offline::last_frame();
    bench::save("CubeScene.title_settled_at_" + std::to_string(tick));
    std::srand(seed_leaving_cells_bare());
    bench::draw_at(tick, cubes, true);
    frames.bare = offline::last_frame();
    return frames;
}

bench::Rgb pixel(const offline::Frame &frame, bench::Point p)
{
    const std::uint8_t *c = frame.pixel(static_cast<int>(p.x), static_cast<int>(p.y));
    return {c[0], c[1], c[2]};
}

// Black at 80 % leaves a fifth of whatever lies beneath it.
testing::AssertionResult drawn(const TitleFrames &frames, int i, double x, double y)
{
    const bench::Point p = title_point(i, x, y);
    const bench::Rgb under = pixel(frames.bare, p), on = pixel(frames.settled, p);
    const bench::Rgb fifth = {(under.r + 2) / 5, (under.g + 2) / 5, (under.b + 2) / 5};
    if (under.r + under.g + under.b > 60 && close(on, fifth, 3))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "character " << i << " at (" << x << ", " << y << "): " << on
                                       << " over " << under << ", expected " << fifth;
}

testing::AssertionResult blank(const TitleFrames &frames, int i, double x, double y)
{
    const bench::Point p = title_point(i, x, y);
    const bench::Rgb under = pixel(frames.bare, p), on = pixel(frames.settled, p);
    if (close(on, under, 3))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "character " << i << " at (" << x << ", " << y << "): " << on
                                       << " over " << under << ", expected it unchanged";
}

// A settled "u" has both stems and the bottom bar, nothing across the top
// or the middle; a settled space has nothing at all.
void expect_settled_glyphs(const TitleFrames &frames)
{
    for (int i : u_cells) {
        for (double y : {0.7, -0.7})
            for (double x : {-0.7, 0.7})
                EXPECT_TRUE(drawn(frames, i, x, y));
        for (double x : {-0.3, 0.3}) {
            EXPECT_TRUE(drawn(frames, i, x, -1.3));
            EXPECT_TRUE(blank(frames, i, x, 1.3));
            EXPECT_TRUE(blank(frames, i, x, 0));
        }
        EXPECT_TRUE(blank(frames, i, 0, 0.7));
        EXPECT_TRUE(blank(frames, i, 0, -0.7));
    }
    for (int i : space_cells)
        for (double y : {-1.3, -0.7, 0.0, 0.7, 1.3})
            for (double x : {-0.7, -0.3, 0.0, 0.3, 0.7})
                EXPECT_TRUE(blank(frames, i, x, y));
}

TEST(CubeScene, SettledTitleIsBlackAtEightyPercentWhereTheBaseMatrixPutsIt)
{
    bench::open(1280, 720);
    expect_settled_glyphs(title_frames(scene_start, scene_start + 3400));
    expect_settled_glyphs(title_frames(scene_start, scene_start + 8800));
}

TEST(CubeScene, TitleSettlesFromTheSceneStartEvenAcrossATickWrap)
{
    bench::open(1280, 720);
    constexpr Tick start = 0xFFFFFF00u;
    expect_settled_glyphs(title_frames(start, start + 3400));  // wraps past zero
}

TEST(CubeTitle, ScrambledUntilEachCharacterSettlesOneEveryTwoHundredMilliseconds)
{
    const std::string plain = "plums under glass";
    TitleBuffer title;
    title.fill('#');
    const auto expect_settled = [&](Tick elapsed, int settled) {
        scramble_title(elapsed, title);
        for (int i = 0; i < title_chars; ++i) {
            const int offset = static_cast<unsigned char>(title[i]) - static_cast<unsigned char>(plain[i]);
            if (i < settled)
                EXPECT_EQ(0, offset) << "character " << i << " at " << elapsed << " ms";
            else
                EXPECT_TRUE(offset >= 0 && offset <= 9) << "character " << i << " at " << elapsed << " ms";
        }
        EXPECT_EQ('\0', title[title_chars]);
        EXPECT_EQ('#', title[title_chars + 1]) << "nothing past the terminator is written";
        EXPECT_EQ('#', title[99]);
    };
    expect_settled(0, 0);
    expect_settled(199, 0);
    expect_settled(200, 1);
    expect_settled(1999, 9);
    expect_settled(3399, 16);
    expect_settled(3400, 17);

    for (Tick elapsed : {3400u, 5000u, 8800u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        scramble_title(elapsed, title);
        EXPECT_EQ(plain, title.data()) << elapsed << " ms";
    }

    // Unsettled characters flicker: two early frames disagree.
    scramble_title(150, title);
    const std::string early = title.data();
    scramble_title(150, title);
    EXPECT_NE(early, title.data());
    EXPECT_NE(plain, early);
}

// rand is never seeded, so skipping n numbers of a fresh sequence tells
// where the sequence stands.
int rand_after(int n)
{
    std::srand(1);
    for (int i = 0; i < n; ++i)
        std::rand();
    return std::rand();
}

TEST(CubeScene, TakesExactlySeventeenRandomNumbersPerFrame)
{
    bench::open();
    bench::draw_at(scene_start, cubes, true);
    std::srand(1);  // whatever the window took, the frames start a fresh sequence
    constexpr int frames = 6;
    for (int frame = 1; frame <= frames; ++frame)
        bench::draw_at(scene_start + 40 * frame, cubes);
    const int next = std::rand();
    EXPECT_EQ(rand_after(title_chars * frames), next);
    EXPECT_NE(rand_after(title_chars * frames - 1), next);
    EXPECT_NE(rand_after(title_chars * frames + 1), next);

    TitleBuffer title;
    std::srand(1);
    scramble_title(5000, title);  // settled characters take theirs too
    EXPECT_EQ(rand_after(title_chars), std::rand());
}

// How far a cube from -1 to 1, turned by the same angle about x, then y,
// then z (applied in that order to the matrix), reaches along each eye axis.
Vec cube_reach(double spin)
{
    Vec reach = {0, 0, 0};
    for (const Vec axis : {Vec{1, 0, 0}, Vec{0, 1, 0}, Vec{0, 0, 1}}) {
        const Vec v = rotate(rotate(rotate(axis, spin, {0, 0, 1}), spin, {0, 1, 0}), spin, {1, 0, 0});
        reach = {reach.x + std::abs(v.x), reach.y + std::abs(v.y), reach.z + std::abs(v.z)};
    }
    return reach;
}

TEST(CubeScene, CubesRideTheWaveRowBehindRowFadingInFromTheBack)
{
    bench::open();
    bench::draw_at(scene_start, cubes, true);
    constexpr Tick tick = scene_start + 1234;
    offline::set_time(tick);
    const std::vector<feedback::Quad> quads = feedback::capture_quads(200, 1000, draw_cubevemputus);
    constexpr int rows = 10, columns = 20, faces = 6, petals = 60 * 5;
    ASSERT_GT(quads.size(), std::size_t{rows * columns * faces + petals}) << "cubes, petals, then the title";

    const double t = tick / 100.0;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const feedback::Quad *cube = &quads[(row * columns + column) * faces];
            const double x = column - 10, zr = 3 * row;
            const double spin = t + 10 * std::sin(x) + std::cos(zr);
            const Vec centre = {2 * x + std::sin(x + t / 100), std::cos(x + t / 10), 50 * std::cos((t + x) / 3) + zr};
            const Vec reach = cube_reach(spin);
            const feedback::Bounds b = feedback::bounds(cube, faces);
            const auto where = [&] { return testing::Message() << "row " << row << " column " << column; };
            EXPECT_NEAR(centre.x, (b.left + b.right) / 2, 0.01) << where();
            EXPECT_NEAR(centre.y, (b.bottom + b.top) / 2, 0.01) << where();
            EXPECT_NEAR(centre.z - 100, (b.back + b.front) / 2, 0.01) << where();
            EXPECT_NEAR(reach.x, (b.right - b.left) / 2, 0.01) << where();
            EXPECT_NEAR(reach.y, (b.top - b.bottom) / 2, 0.01) << where();
            EXPECT_NEAR(reach.z, (b.front - b.back) / 2, 0.01) << where();
            for (int face = 0; face < faces; ++face)
                for (const feedback::Vertex &v : cube[face])
                    EXPECT_NEAR(row / 10.0, v.a, 1e-6) << where();
        }
    }
    // Tenths added up in float: the front row is not the float nearest 0.9.
    EXPECT_EQ(0.90000010f, static_cast<float>(quads[(rows - 1) * columns * faces].front().a));
    EXPECT_NE(0.9f, static_cast<float>(quads[(rows - 1) * columns * faces].front().a));

    // Petals take three colours in turn, starting afresh in every slice.
    const feedback::Quad *petal = &quads[rows * columns * faces];
    const auto colour = [&](int i) { return bench::rgb(petal[i][0].r, petal[i][0].g, petal[i][0].b); };
    for (int slice = 0; slice < petals / 5; ++slice) {
        const int first = slice * 5;
        EXPECT_TRUE(is_petal(colour(first)) && is_petal(colour(first + 1)) && is_petal(colour(first + 2)));
        EXPECT_FALSE(close(colour(first), colour(first + 1), 0) || close(colour(first + 1), colour(first + 2), 0) ||
                     close(colour(first), colour(first + 2), 0));
        EXPECT_TRUE(close(colour(first), colour(first + 3), 0) && close(colour(first + 1), colour(first + 4), 0));
        EXPECT_TRUE(close(colour(first), colour(0), 0)) << "slice " << slice;
        EXPECT_EQ(1.0, petal[first][0].a);
    }
}

TEST(CubeScene, LeavesTheBaseMatrixAndTheStackAsItFoundThem)
{
    bench::open();
    GLint depth_before = 0, depth_after = 0;
    std::array<GLfloat, 16> before = {}, after = {};
    for (const Vec base : {Vec{0, 0, 0}, Vec{7, -3, 0}}) {
        shift_base(base.x, base.y);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
        glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
        bench::draw_at(scene_start, cubes, true);
        bench::draw_at(scene_start + 500, cubes);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
        glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
        EXPECT_EQ(depth_before, depth_after);
        EXPECT_EQ(before, after);
        EXPECT_EQ(GLenum{GL_NO_ERROR}, glGetError());
    }
}

// Only the title counts from the scene's start: once it has settled, the
// frame depends on the absolute tick alone.
TEST(CubeScene, CubesAndFlowerMoveWithTheAbsoluteTick)
{
    bench::open(1280, 720);
    std::array<offline::Frame, 3> frames;
    const std::array<Tick, 3> starts = {scene_start, scene_start + 1000, scene_start};
    const std::array<Tick, 3> ticks = {scene_start + 5000, scene_start + 5000, scene_start + 7000};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        bench::draw_at(starts[i], cubes, true);
        bench::draw_at(ticks[i], cubes);
        frames[i] = offline::last_frame();
    }
    EXPECT_EQ(frames[0].rgb, frames[1].rgb);
    EXPECT_NE(frames[0].rgb, frames[2].rgb);

    for (Tick elapsed : {0u, 1000u, 2500u, 4000u, 6000u, 8800u}) {
        bench::draw_at(scene_start + elapsed, cubes);
        bench::save("CubeScene.at_" + std::to_string(elapsed));
    }
}

}  // namespace
