#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "bench.h"
#include "endpart.h"
#include "scenes.h"

// The end scene: the tree's growth and forks, the swinging credits, the fade.
// Every test runs in a process of its own, so the scene's never-reset frame
// statics and the rand sequence start fresh in each.
namespace {

constexpr int width = 1280;
constexpr int height = 720;
constexpr Tick epstart = 1000;
constexpr Scene end_scene = {init_endpart, draw_endpart};
constexpr bench::Rgb yellow = bench::rgb(0.8, 0.8, 0.0);
constexpr double pi = 3.14159265358979323846;
constexpr double tree_depth = -500;

// The set-up at epstart, then frames at scene times (ms after the set-up).
void start()
{
    offline::set_time(epstart);
    init_endpart();
}

void frame_at(Tick elapsed) { bench::draw_at(epstart + elapsed, end_scene); }

// The values rand will hand out, read ahead by restarting the unseeded sequence.
std::vector<int> rand_tape(std::size_t n)
{
    std::srand(1);
    std::vector<int> tape(n);
    for (int &value : tape)
        value = std::rand();
    std::srand(1);
    return tape;
}

int total_tries()
{
    return std::accumulate(tree_branches(), tree_branches() + tree_size(), 0,
                           [](int sum, const Branch &b) { return sum + b.tries; });
}

// Every try draws one number and every fork a second one, for its colour.
void expect_draws_consumed(const std::vector<int> &tape)
{
    const std::size_t consumed = static_cast<std::size_t>(total_tries() + tree_size() - 1);
    ASSERT_LT(consumed, tape.size());
    EXPECT_EQ(tape[consumed], std::rand()) << "expected " << consumed << " draws so far";
}

bench::Rgb over_yellow(double r, double g, double b, double alpha)
{
    return bench::rgb(alpha * r + (1 - alpha) * 0.8, alpha * g + (1 - alpha) * 0.8, alpha * b);
}

// Where a point along a bar lands: the bar stands on its base and is turned
// counter-clockwise by the given degrees.
bench::Point along_bar(double x, double y, double degrees, double distance)
{
    const double rad = degrees * pi / 180;
    return bench::project_eye(x - std::sin(rad) * distance, y + std::cos(rad) * distance, tree_depth);
}

int pixels() { return width * height; }

class EndScene : public testing::Test {
protected:
    void SetUp() override { bench::open(width, height); }
};

TEST_F(EndScene, FirstFrameIsTheYellowClearAndGrowsNothing)
{
    start();
    frame_at(50);
    EXPECT_EQ(pixels(), bench::count(0, 0, width, height, yellow)) << bench::save("EndScene.first");
    EXPECT_EQ(1, tree_size());
    EXPECT_EQ(0.0f, tree_branches()[0].length);

    frame_at(150);
    EXPECT_FLOAT_EQ(1.0f, tree_branches()[0].length) << "0.01 a millisecond for 100 ms";
    // The root stands at (0, 20), turned by the clock's 1.5 degrees.
    EXPECT_TRUE(bench::probe(along_bar(0, 20, 1.5, 0.5), bench::rgb(0.9, 0.7, 0.0)));
    EXPECT_TRUE(bench::probe(along_bar(0, 20, 1.5, 2.5), yellow)) << "a bar of length 1 ends at 1";
}

TEST_F(EndScene, FrameAtElapsedZeroLeavesTheNextFrameStillWithoutAStep)
{
    start();
    frame_at(0);
    frame_at(100);
    EXPECT_EQ(0.0f, tree_branches()[0].length);
    EXPECT_EQ(pixels(), bench::count(0, 0, width, height, yellow));
    frame_at(200);
    EXPECT_FLOAT_EQ(1.0f, tree_branches()[0].length);
}

TEST_F(EndScene, LongStepPassingSeveralThresholdsMakesOneTryThenTriesCatchUpOneAFrame)
{
    const std::vector<int> tape = rand_tape(64);
    start();
    frame_at(10);
    frame_at(2010);  // length 20: past 4, 10 and 16
    const int grown = tree_size();
    for (int i = 0; i < grown; ++i) {
        EXPECT_FLOAT_EQ(20.0f, tree_branches()[i].length) << "record " << i << " grew with its parent";
        EXPECT_EQ(1, tree_branches()[i].tries) << "record " << i;
    }
    for (Tick elapsed = 2011; elapsed <= 2014; ++elapsed)
        frame_at(elapsed);
    for (int i = 0; i < grown; ++i)
        EXPECT_EQ(3, tree_branches()[i].tries) << "record " << i << ": tries after 10 and 16, none at 22 yet";
    expect_draws_consumed(tape);
}

TEST_F(EndScene, ChildForkedInAPassIsGrownAndDrawnInThatFrame)
{
    const std::vector<int> tape = rand_tape(64);
    // The root's tries fail until the first draw below 50.
    const auto fork_draw = std::find_if(tape.begin(), tape.end(), [](int v) { return v % 100 <= 49; });
    const int failed = static_cast<int>(fork_draw - tape.begin());
    ASSERT_LT(failed, 20);

    start();
    frame_at(10);
    // 600 ms a frame grows 6 units, one threshold a frame: one try each.
    Tick elapsed = 10;
    for (int i = 0; i <= failed; ++i) {
        EXPECT_EQ(1, tree_size()) << "no fork before the draw at " << failed;
        elapsed += 600;
        frame_at(elapsed);
    }
    ASSERT_GE(tree_size(), 2);
    const Branch &root = tree_branches()[0];
    const Branch &child = tree_branches()[1];
    EXPECT_NEAR(6.0 * (failed + 1), root.length, 1e-3);
    EXPECT_FLOAT_EQ(0.0f, child.x) << "the root points straight up";
    EXPECT_FLOAT_EQ(root.y + root.length, child.y);
    EXPECT_FLOAT_EQ(45.0f, child.angle);
    EXPECT_FLOAT_EQ(static_cast<float>(tape[failed + 1] % 100) / 100, child.red);
    EXPECT_FLOAT_EQ(0.7f, child.green);
    EXPECT_FLOAT_EQ(0.0f, child.blue);
    EXPECT_EQ(1, child.generation);
    EXPECT_FLOAT_EQ(6.0f, child.length) << "grown by the step of the frame it was forked in";
    EXPECT_EQ(1, child.tries) << "and already past its first threshold";
    expect_draws_consumed(tape);

    // Drawn turned by the clock plus its own 45 degrees, at generation 1's alpha.
    const double t = elapsed / 100.0;
    EXPECT_TRUE(bench::probe(along_bar(child.x, child.y, t + 45, 3),
                             over_yellow(child.red, 0.7, 0.0, 0.9)));
}

TEST_F(EndScene, TreeStopsAt1023RecordsWhileTriesGoOnOneAFrame)
{
    const std::vector<int> tape = rand_tape(200000);
    start();
    frame_at(10);
    std::vector<int> before(branch_capacity);
    Tick elapsed = 10;
    int tries_when_full = -1;
    int frames_full = 0;
    while (frames_full < 10 && elapsed < 20000) {
        std::transform(tree_branches(), tree_branches() + branch_capacity, before.begin(),
                       [](const Branch &b) { return b.tries; });
        const int size_before = tree_size();
        elapsed += 100;
        frame_at(elapsed);
        ASSERT_LE(tree_size(), branch_limit);
        for (int i = 0; i < size_before; ++i)
            ASSERT_LE(tree_branches()[i].tries - before[i], 1) << "record " << i << " at " << elapsed << " ms";
        if (tree_size() == branch_limit && tries_when_full < 0)
            tries_when_full = total_tries();
        frames_full += tree_size() == branch_limit;
    }
    ASSERT_EQ(branch_limit, tree_size()) << "the tree never filled up in " << elapsed << " ms";
    EXPECT_LT(elapsed, 13000) << "it fills up in about 8 to 10 s";
    EXPECT_GT(total_tries(), tries_when_full) << "tries still counted at the cap";
    expect_draws_consumed(tape);

    const Branch &spare = tree_branches()[branch_limit];
    EXPECT_EQ(0.0f, spare.length);
    EXPECT_EQ(0, spare.generation);
    EXPECT_EQ(0.0f, spare.red);
}

// Credit lines: hinge, first character's upright bar used as a probe, and
// how fast the swing dies.
struct Line {
    Tick start;
    double hinge_x, hinge_y, hinge_z;
    double bar_x, bar_y;
    double fade;
};

constexpr Line lines[] = {
    {4000, -15, 15, -170, -0.7, 0.7, 1.0},   // "g", upper left upright
    {6000, -19, 10, -170, -0.7, 0.7, 0.8},   // "m"
    {8000, -10, 5, -170, -0.7, 0.7, 0.7},    // "c"
    {11000, -10, -15, -170, 0.0, 0.7, 0.65}, // "t", upper centre upright
};

struct Vec {
    double x, y, z;
};

Vec rotate_x(Vec v, double degrees)
{
    const double c = std::cos(degrees * pi / 180), s = std::sin(degrees * pi / 180);
    return {v.x, v.y * c - v.z * s, v.y * s + v.z * c};
}

double amplitude(const Line &line, double t) { return std::max(0.0, 90 - line.fade * t); }

// Where the probe bar of a line lands at a scene time, for a tilt of the block.
bench::Point line_probe(const Line &line, Tick elapsed, double drop)
{
    const double t = elapsed / 100.0;
    const Vec hanging = rotate_x({line.bar_x, line.bar_y - 2, 0}, std::cos(t) * amplitude(line, t));
    const Vec p = rotate_x({line.hinge_x + hanging.x, line.hinge_y + hanging.y, line.hinge_z + hanging.z}, drop);
    return bench::project_eye(p.x, p.y, p.z);
}

TEST_F(EndScene, EachCreditLineIsAbsentAtItsStartAndHangsThere1MsLater)
{
    start();
    frame_at(10);
    for (const Line &line : lines) {
        frame_at(line.start);
        EXPECT_TRUE(bench::probe_not(line_probe(line, line.start, 1.1), bench::black, 40)) << line.start;
        frame_at(line.start + 1);
        EXPECT_TRUE(bench::probe(line_probe(line, line.start + 1, 1.1), bench::black)) << line.start + 1;
    }
}

TEST(SwingAmplitude, StartsWhereEachLineComesInAndDiesAwayToZero)
{
    EXPECT_NEAR(49.99f, swing_amplitude(0, 40.01f), 1e-4);
    EXPECT_NEAR(42.0f, swing_amplitude(1, 60.0f), 1e-4);
    EXPECT_NEAR(34.0f, swing_amplitude(2, 80.0f), 1e-4);
    EXPECT_NEAR(18.5f, swing_amplitude(3, 110.0f), 1e-4);
    const double zero_at[] = {90, 112.5, 128.58, 138.47};  // tenths of a second
    for (int line = 0; line < 4; ++line) {
        EXPECT_GT(swing_amplitude(line, static_cast<float>(zero_at[line] - 0.2)), 0.0f) << line;
        for (double t = zero_at[line]; t < 200; t += 0.1)
            ASSERT_EQ(0.0f, swing_amplitude(line, static_cast<float>(t))) << "line " << line << " at " << t;
    }
}

TEST_F(EndScene, LineHangsStillOnceItsSwingHasDiedAway)
{
    start();
    frame_at(10);
    // Line 1 is still swinging at 5 s: a swing of 38 degrees moves its bar.
    frame_at(5000);
    const bench::Point still = line_probe(lines[0], 9000, 1.1);
    EXPECT_TRUE(bench::probe(line_probe(lines[0], 5000, 1.1), bench::black));
    EXPECT_TRUE(bench::probe_not(still, bench::black, 40));
    for (Tick elapsed : {9000u, 9300u, 10000u, 11900u}) {
        frame_at(elapsed);
        EXPECT_TRUE(bench::probe(still, bench::black)) << elapsed;
    }
}

TEST_F(EndScene, CreditsTipAwayAfter12sByTheWholeStepOfTheFirstLateFrame)
{
    start();
    frame_at(10);
    frame_at(12000);
    EXPECT_TRUE(bench::probe(line_probe(lines[0], 12000, 1.1), bench::black)) << "no tilt up to 12000";
    frame_at(12500);
    // 500 ms, all of it counted: 1.1 - 0.01 * 500 degrees.
    const double drop = 1.1 - 5;
    EXPECT_TRUE(bench::probe(line_probe(lines[0], 12500, drop), bench::black));
    EXPECT_TRUE(bench::probe_not(line_probe(lines[0], 12500, 1.1), bench::black, 40));
    EXPECT_LT(line_probe(lines[0], 12500, 1.1).y, line_probe(lines[0], 12500, drop).y) << "sunk";
}

int brightest_channel()
{
    int brightest = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bench::Rgb c = bench::at(x, y);
            brightest = std::max({brightest, c.r, c.g, c.b});
        }
    return brightest;
}

TEST_F(EndScene, FadesToBlackFrom15sAndIsBlackFrom16s)
{
    start();
    frame_at(10);
    frame_at(15000);
    EXPECT_GT(bench::count(0, 0, width, height, yellow), 0) << "no fade yet";
    frame_at(15500);
    EXPECT_LE(brightest_channel(), 128) << "half way: everything at half its brightness";
    EXPECT_GT(bench::count(0, 0, width, height, bench::rgb(0.4, 0.4, 0.0)), 0);
    for (Tick elapsed : {16000u, 18000u, 19990u}) {
        frame_at(elapsed);
        EXPECT_EQ(pixels(), bench::count(0, 0, width, height, bench::black, 0)) << elapsed;
    }
}

}  // namespace
