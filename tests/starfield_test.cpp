#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench.h"
#include "scenes.h"
#include "starfield.h"
#include "text.h"

// Scene 5 driven by the virtual clock. Where a test needs to know where
// something lands, it works the scene's transforms out with its own matrix
// maths below and projects the result with the bench.
namespace {

const Scene starfield = {init_sf, draw_sf};

// The part's start tick when the demo runs through: parts 0 to 4 take 41300 ms.
constexpr Tick demo_start = 41300;

const StarfieldState &state() { return starfield_state(); }

// --- the test's own transform maths, after glRotatef/glTranslatef/glScalef ---

struct Vec {
    double x, y, z;
};

struct Mat {
    std::array<double, 16> m;  // row-major
};

Mat operator*(const Mat &a, const Mat &b)
{
    Mat r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                r.m[i * 4 + j] += a.m[i * 4 + k] * b.m[k * 4 + j];
    return r;
}

Vec apply(const Mat &a, Vec p)
{
    const auto row = [&](int i) {
        return a.m[i * 4] * p.x + a.m[i * 4 + 1] * p.y + a.m[i * 4 + 2] * p.z + a.m[i * 4 + 3];
    };
    return {row(0), row(1), row(2)};
}

Mat identity() { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }
Mat translate(double x, double y, double z) { return {{1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1}}; }
Mat scale(double x, double y, double z) { return {{x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1}}; }

constexpr double degrees = M_PI / 180;

// Counter-clockwise seen from the positive axis, as glRotatef turns.
Mat rotate_x(double angle)
{
    const double c = std::cos(angle * degrees), s = std::sin(angle * degrees);
    return {{1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1}};
}

Mat rotate_y(double angle)
{
    const double c = std::cos(angle * degrees), s = std::sin(angle * degrees);
    return {{c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1}};
}

Mat star_frame() { return rotate_x(state().ay) * rotate_y(state().ax); }

bench::Point project(Vec eye) { return bench::project_eye(eye.x, eye.y, eye.z); }

bool on_screen(bench::Point p, double margin)
{
    const offline::Frame &frame = offline::last_frame();
    return p.x >= margin && p.y >= margin && p.x < frame.width - margin && p.y < frame.height - margin;
}

// The ship's model-to-eye transform at a virtual tick, from the scene's own
// clock, the current view angles and the warp's stretch.
Mat ship_transform(Tick now, Tick elapsed, double stretch)
{
    const double tenths = now / 100.0;
    const double approach = std::min((static_cast<double>(elapsed) - 3000) / 70 - 99.5, 0.5);
    return translate(0, 0, -100) * star_frame() * rotate_x(270) *
           translate(std::sin(tenths / 5), std::sin(tenths / 7) + approach + stretch, 0) *
           rotate_y(10 * std::sin(tenths / -5)) * scale(1, stretch, 1);
}

// Label fade as stated for the scene: 1 - |k| / 100 with k = z + 0.01 cut
// towards zero.
double expected_alpha(double z) { return 1 - std::abs(std::trunc(z + 0.01)) / 100; }

// Pixels only a label leaves: white blended over the dark blue, so red and
// green agree and blue stays above them. Stars are pure white and the ship
// is grey or pink.
int label_pixels()
{
    const offline::Frame &frame = offline::last_frame();
    int found = 0;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const std::uint8_t *p = frame.pixel(x, y);
            found += p[0] > 0 && p[0] == p[1] && p[2] > p[0];
        }
    return found;
}

constexpr bench::Rgb dark_blue = bench::rgb(0, 0, 0.1);
constexpr bench::Rgb pink = bench::rgb(1, 0.5, 0.5);
constexpr bench::Rgb tail_grey = bench::rgb(0.5, 0.5, 0.5);

int pixels_of(bench::Rgb colour)
{
    const offline::Frame &frame = offline::last_frame();
    return bench::count(0, 0, frame.width, frame.height, colour, 1);
}

class Starfield : public testing::Test {
protected:
    void open(int width = bench::default_width, int height = bench::default_height)
    {
        bench::open(width, height);
        fill_glyphs();  // the decrunch screen has filled the glyphs long before this scene
    }

    // The set-up and the first frame at begin, as the timeline runs them.
    void start(Tick begin = demo_start)
    {
        t0 = begin;
        bench::draw_at(t0, starfield, true);
    }

    // Only the set-up at begin, so that the first frame can come later.
    void set_up_only(Tick begin)
    {
        t0 = begin;
        offline::set_time(t0);
        init_sf();
    }

    void frame_at(Tick elapsed) { bench::draw_at(t0 + elapsed, starfield); }

    Tick t0 = 0;
};

// --- set-up and the first frame ---

TEST_F(Starfield, StarsAndGreetingsTakeFourRandDrawsEachInOrderAndTheFirstFrameMovesNothing)
{
    const std::array<const char *, 11> greetings = {"kilven",   "qro",      "marvoke",      "zup",
                                                    "dvo",      "telko",    "orbalunti",    "yek",
                                                    "sorvanti", "pilkovaratus", "glimmerfox"};
    open();
    std::srand(1);
    start();

    std::srand(1);
    ASSERT_EQ(2000, state().n_stars);
    std::array<int, 11> picked{};
    for (int i = 0; i < 2000; ++i) {
        const float x = static_cast<float>(std::rand() % 100 * 2 - 100);
        const float y = static_cast<float>(std::rand() % 100 * 2 - 100);
        const float z = static_cast<float>(std::rand() % 100 * 2 - 100);
        const int greeting = std::rand() % 11;
        ++picked[greeting];
        const Star &s = state().star[i];
        ASSERT_TRUE(s.x == x && s.y == y && s.z == z) << "star " << i << " at (" << s.x << ", " << s.y << ", " << s.z
                                                      << "), expected (" << x << ", " << y << ", " << z << ")";
        ASSERT_STREQ(greetings[greeting], state().greet_stars[i]) << "star " << i;
    }
    for (int count : picked)
        EXPECT_GT(count, 100) << "every greeting is used";

    EXPECT_EQ(demo_start, state().sf_begint);
    EXPECT_EQ(0.0f, state().ax);
    EXPECT_EQ(0.0f, state().ay);
    EXPECT_EQ(demo_start, state().lft);

    // Unturned and unmoved: every star ahead of the viewer is a white dot
    // where the frustum puts it, on the dark blue.
    int probed = 0;
    for (int i = 0; i < 2000; ++i) {
        const Star &s = state().star[i];
        const bench::Point p = bench::project_eye(s.x, s.y, s.z);
        if (s.z <= -10 && on_screen(p, 1)) {
            EXPECT_TRUE(bench::probe(p, bench::white)) << "star " << i;
            ++probed;
        }
    }
    EXPECT_GE(probed, 8) << "the frustum is narrow: only a few dozen stars are in view";
    EXPECT_GT(pixels_of(dark_blue), 640 * 480 * 9 / 10);
    EXPECT_EQ(0, label_pixels());

    // 200 ms later every star is drawn where it stood, then moved 10 units;
    // those that pass 100 start again at -100.
    frame_at(200);
    probed = 0;
    std::srand(1);
    for (int i = 0; i < 2000; ++i) {
        const Vec stood = {static_cast<double>(std::rand() % 100 * 2 - 100),
                           static_cast<double>(std::rand() % 100 * 2 - 100),
                           static_cast<double>(std::rand() % 100 * 2 - 100)};
        std::rand();
        const float moved = stood.z + 10 > 100 ? -100.0f : static_cast<float>(stood.z + 10);
        ASSERT_FLOAT_EQ(moved, state().star[i].z) << "star " << i;
        const Vec eye = apply(star_frame(), stood);
        const bench::Point p = project(eye);
        if (eye.z <= -10 && on_screen(p, 1)) {
            EXPECT_TRUE(bench::probe(p, bench::white)) << "star " << i;
            ++probed;
        }
    }
    EXPECT_GE(probed, 8);
}

// --- time windows and placement, seen on screen ---

TEST_F(Starfield, CommanderLineShowsFrom8001To9999WhereItsEyeSpaceOriginProjects)
{
    open(1280, 720);
    start();
    // "load new commander (y/n)" from (-25, -25, -300) in eye space, 2 units a
    // character: bars that its l, o, d and closing bracket have, and the space.
    struct Bar {
        double x, y;
    };
    constexpr std::array<Bar, 4> bars = {{{-0.7, 0.7}, {1.7, 1.3}, {6.7, 0.7}, {46.7, 0.7}}};
    const auto at_text = [](double x, double y) { return bench::project_eye(-25 + x, -25 + y, -300); };
    constexpr bench::Rgb text = bench::rgb(0.8, 0.8, 0.82);  // white at 0.8 over the dark blue

    for (Tick elapsed : {8000u, 8001u, 9999u, 10000u}) {
        frame_at(elapsed);
        const bool shown = elapsed > 8000 && elapsed < 10000;
        for (const Bar &bar : bars) {
            if (shown)
                EXPECT_TRUE(bench::probe(at_text(bar.x, bar.y), text)) << elapsed << " ms, bar at " << bar.x;
            else
                EXPECT_TRUE(bench::probe_not(at_text(bar.x, bar.y), text)) << elapsed << " ms, bar at " << bar.x;
        }
        EXPECT_TRUE(bench::probe_not(at_text(8, 0), text)) << elapsed << " ms, the space";
        if (elapsed == 9999)
            bench::save("Starfield.commander");
    }
}

// A long jump of the clock carries every star far past 100 in one frame, and
// they all start again together at -100. Tests that look at labels let the
// first frame come late instead, a little before the moment they look at:
// the field is then as set up and the view faces the way it started.
void expect_labels(Tick elapsed, bool shown)
{
    bench::draw_at(state().sf_begint + elapsed, starfield);
    if (shown)
        EXPECT_GT(label_pixels(), 100) << elapsed << " ms; saved as "
                                       << bench::save("Starfield.labels_" + std::to_string(elapsed));
    else
        EXPECT_EQ(0, label_pixels()) << elapsed << " ms";
}

TEST_F(Starfield, LabelsShowFrom18001)
{
    open();
    set_up_only(demo_start);
    expect_labels(17980, false);
    expect_labels(18000, false);
    expect_labels(18001, true);
}

TEST_F(Starfield, LabelsShowUntil37999)
{
    open();
    set_up_only(demo_start);
    expect_labels(37979, true);
    expect_labels(37999, true);
    expect_labels(38000, false);
}

// Greetings whose second letter has the upright at (-0.7, 0.7) of its cell:
// all but kilven and pilkovaratus, whose second letter is an i.
bool second_letter_has_upper_left_upright(const char *greeting)
{
    return std::strcmp(greeting, "kilven") != 0 && std::strcmp(greeting, "pilkovaratus") != 0;
}

Mat label_transform(int j, bool turned)
{
    const Star &s = state().star[j];
    return star_frame() * translate(s.x, s.y, s.z) * rotate_y(270) * (turned ? rotate_y(180) : identity());
}

// Whether another label's text box may reach the pixel: it does when the
// pixel lies inside the box's projection, and may when the near plane cuts
// the box.
bool another_label_may_cover(int j, bench::Point p, bool turned)
{
    for (int k = 0; k < 500; ++k) {
        if (k == j)
            continue;
        const double end = 2.0 * std::strlen(state().greet_stars[k]) - 1.2;
        const Mat m = label_transform(k, turned);
        std::array<bench::Point, 4> box{};
        int ahead = 0;
        int i = 0;
        for (Vec corner : {Vec{-0.8, -1.4, 0}, Vec{end, -1.4, 0}, Vec{end, 1.4, 0}, Vec{-0.8, 1.4, 0}}) {
            const Vec eye = apply(m, corner);
            ahead += eye.z < -5;
            box[i++] = project(eye);
        }
        if (ahead == 0)
            continue;
        if (ahead < 4)
            return true;
        int left_turns = 0;
        for (int c = 0; c < 4; ++c) {
            const bench::Point a = box[c], b = box[(c + 1) % 4];
            left_turns += (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x) > 0;
        }
        if (left_turns == 0 || left_turns == 4)
            return true;
    }
    return false;
}

// Checks the second letter of every label that faces the viewer well enough
// and that nothing else may hide, where the label's transform puts it.
void expect_second_letters(bool turned, const char *what)
{
    int probed = 0;
    for (int j = 0; j < 500; ++j) {
        const double alpha = expected_alpha(state().star[j].z);
        if (!second_letter_has_upper_left_upright(state().greet_stars[j]) || alpha < 0.3)
            continue;
        const Mat m = label_transform(j, turned);
        const Vec eye = apply(m, {2 - 0.7, 0.7, 0});
        const Vec origin = apply(m, {0, 0, 0});
        const Vec normal = apply(m, {0, 0, 1});
        const double facing = std::abs((normal.x - origin.x) * eye.x + (normal.y - origin.y) * eye.y +
                                       (normal.z - origin.z) * eye.z) /
                              std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z);
        const bench::Point p = project(eye);
        const offline::Frame &frame = offline::last_frame();
        const bool by_the_ship = std::abs(p.x - frame.width / 2) < 80 && std::abs(p.y - frame.height / 2) < 60;
        if (eye.z > -8 || !on_screen(p, 4) || by_the_ship || 0.2 * facing * bench::pixels_per_unit(eye.z) < 3 ||
            another_label_may_cover(j, p, turned))
            continue;
        const bench::Rgb seen = bench::at(p);
        EXPECT_TRUE(seen.r >= alpha * 255 - 4 && seen.b >= seen.r)
            << what << ": label " << j << " \"" << state().greet_stars[j] << "\" at alpha " << alpha << ", saw " << seen
            << " at (" << p.x << ", " << p.y << "); frame saved as " << bench::save(what);
        ++probed;
    }
    EXPECT_GT(probed, 0) << what << ": no label to probe; frame saved as " << bench::save(what);
}

// Steady 50 ms frames turn the yaw one degree each, exactly in single
// precision; the last comes at 18001 ms, the labels' first frame.
void turn_yaw_to(int degrees)
{
    offline::set_time(demo_start);
    init_sf();
    for (Tick elapsed = 18001 - degrees * 50; elapsed <= 18001; elapsed += 50)
        bench::draw_at(demo_start + elapsed, starfield);
    ASSERT_EQ(static_cast<float>(degrees), state().ax);
}

// A quarter turn in, the labels face the viewer side on.
TEST_F(Starfield, LabelsRunAlongTheFlowBeforeHalfATurn)
{
    open();
    turn_yaw_to(90);
    expect_second_letters(false, "Starfield.labels_at_90");
}

TEST_F(Starfield, LabelsAreTurnedRoundPastHalfATurn)
{
    open();
    turn_yaw_to(270);
    expect_second_letters(true, "Starfield.labels_at_270");
}

// Ship pixels: any of its shades, its engine glow or the line ahead of it.
int ship_pixels()
{
    int found = 0;
    for (double shade : {0.5, 0.7, 0.8, 0.9})
        found += pixels_of(bench::rgb(shade, shade, shade));
    return found + pixels_of(pink);
}

TEST_F(Starfield, ShipAppearsFrom3001AtTheViewersFace)
{
    open();
    // From 3001 ms the ship comes in from about 99.5 units short of its
    // cruising place, 101.5 units ahead, so it starts right at the viewer's
    // face. With the first frame at 3000 ms the view has not turned, and with
    // the start tick picked so that the ship's bob along its axis is at its
    // forward peak, its nose reaches past the near plane at 3001 ms and fills
    // much of the screen.
    Tick begin = demo_start;
    while (std::sin((begin + 3001) / 700.0) < 0.999)
        ++begin;
    set_up_only(begin);
    frame_at(3000);
    EXPECT_EQ(0, ship_pixels());
    frame_at(3001);
    bench::save("Starfield.ship_3001");
    EXPECT_GT(ship_pixels(), 640 * 480 / 10);
}

TEST_F(Starfield, ShipFliesInNoseFirstAndCruisesJustBeyondTheCentreSeenFromBehind)
{
    open(1280, 720);
    set_up_only(demo_start);
    // The tail plane's grey and the engine glow just behind it, where the
    // ship's transform puts them; first still flying in, then cruising.
    for (Tick elapsed : {9000u, 10000u, 10500u}) {
        frame_at(elapsed);
        const Mat ship = ship_transform(t0 + elapsed, elapsed, 1);
        const Vec tail = apply(ship, {0, 0, -0.6});
        ASSERT_LT(apply(ship, {0, 3, 0}).z, tail.z) << "the nose points away from the viewer";
        EXPECT_TRUE(bench::probe(project(tail), tail_grey)) << elapsed << " ms";
        EXPECT_TRUE(bench::probe(project(apply(ship, {0.6, -0.01, 0})), pink)) << elapsed << " ms";
        EXPECT_TRUE(bench::probe(project(apply(ship, {-0.6, -0.01, 0})), pink)) << elapsed << " ms";
        // The small glow near the right wing tip, which sits well off the
        // centre line, so the ship's distance shows in where it lands.
        EXPECT_TRUE(bench::probe(project(apply(ship, {5.8 / 3, -0.01, 0})), pink)) << elapsed << " ms";
        EXPECT_LT(std::abs(project(tail).x - 640), 120) << elapsed << " ms";
        bench::save("Starfield.ship_" + std::to_string(elapsed));
    }
}

// --- locks and warp ---

class StarfieldLocked : public Starfield {
protected:
    // Both locks at 20001 ms: the first frame comes at 2200 ms, so one jump
    // to 20000 ms turns the yaw to 356 degrees, and the start tick is picked
    // so that the same jump swings the pitch to cos(s) * 178 = 4.4..4.8
    // degrees, s being the absolute clock in seconds.
    void lock_both_at_20001()
    {
        const auto pitch_after_jump = [](Tick begin) { return std::cos((begin + 20000) / 1000.0) * 178; };
        Tick begin = demo_start;
        while (pitch_after_jump(begin) < 4.4 || pitch_after_jump(begin) > 4.8)
            ++begin;
        set_up_only(begin);
        frame_at(2200);
        frame_at(20000);
        EXPECT_FLOAT_EQ(356, state().ax);
        EXPECT_NEAR(pitch_after_jump(begin), state().ay, 0.01);
        EXPECT_EQ(0, state().axlock) << "no lock test at 20000 ms";
        EXPECT_EQ(0, state().aylock) << "no lock test at 20000 ms";
        frame_at(20001);
        EXPECT_EQ(1, state().axlock);
        EXPECT_EQ(1, state().aylock);
    }
};

TEST_F(StarfieldLocked, LocksAreTestedFrom20001AndHoldTheViewFromThen)
{
    open();
    lock_both_at_20001();
    const float ax = state().ax, ay = state().ay;
    frame_at(30000);
    EXPECT_EQ(ax, state().ax);
    EXPECT_EQ(ay, state().ay);
    EXPECT_EQ(0u, state().warptime);
}

TEST_F(StarfieldLocked, WarpStartsFrom40001RunsUpFlashesWhiteAndLosesTheShipAt500)
{
    open(1280, 720);
    lock_both_at_20001();
    frame_at(40000);
    EXPECT_EQ(0u, state().warptime) << "no warp at 40000 ms";
    frame_at(40001);
    const Tick warp = t0 + 40001;
    EXPECT_EQ(warp, state().warptime);
    const Vec first_tail = apply(ship_transform(warp, 40001, 1), {0, 0, -0.6});
    EXPECT_TRUE(bench::probe(project(first_tail), tail_grey)) << "stretch 1 on the first warp frame";
    const int all = 1280 * 720;

    // stretch = ms since the warp began + 1; each frame's clear colour comes
    // from the frame before.
    const auto at_stretch = [&](Tick stretch) { bench::draw_at(warp + stretch - 1, starfield); };
    at_stretch(450);
    EXPECT_EQ(0, state().warped);
    EXPECT_GT(pixels_of(dark_blue), all * 9 / 10);
    at_stretch(451);
    EXPECT_EQ(1, state().warped);
    EXPECT_GT(pixels_of(dark_blue), all * 9 / 10) << "450 set the dark blue";

    at_stretch(499);
    bench::save("Starfield.warp_499");
    EXPECT_GT(pixels_of(bench::white), all * 9 / 10) << "451 set white";
    const Mat ship = ship_transform(warp + 498, 40499, 499);
    EXPECT_TRUE(bench::probe(project(apply(ship, {0, 0, -0.6})), tail_grey)) << "the tail, far ahead";
    EXPECT_TRUE(bench::probe(project(apply(ship, {0.6, -0.01, 0})), pink)) << "the engine glow";

    at_stretch(500);
    bench::save("Starfield.warp_500");
    EXPECT_EQ(all, pixels_of(bench::white)) << "the ship is gone and the stars are white on white";
    EXPECT_EQ(1, state().warped);

    at_stretch(501);
    EXPECT_GT(pixels_of(dark_blue), all * 9 / 10) << "500 set the dark blue again";
}

TEST_F(Starfield, WholePassAtASteadyStepLocksTheViewAndEndsInTheWarp)
{
    open();
    start();
    constexpr Tick frame_step = 40;  // 25 frames a second
    int axlock = 0, aylock = 0;
    bool flash_seen = false;
    for (Tick elapsed = frame_step; elapsed <= 42500; elapsed += frame_step) {
        frame_at(elapsed);
        // Lock rule, restated: tested only after 20000 ms, strict bounds, never cleared.
        axlock = axlock || (elapsed > 20000 && state().ax > 350);
        aylock = aylock || (elapsed > 20000 && state().ay > 4.1f && state().ay < 5.1f);
        ASSERT_EQ(axlock, state().axlock) << elapsed << " ms, yaw " << state().ax;
        ASSERT_EQ(aylock, state().aylock) << elapsed << " ms, pitch " << state().ay;
        if (elapsed == 2000 || elapsed == 9000 || elapsed == 15000 || elapsed == 25000)
            bench::save("Starfield.pass_" + std::to_string(elapsed));
        if (state().warptime && !flash_seen && pixels_of(bench::white) == 640 * 480) {
            flash_seen = true;
            bench::save("Starfield.pass_flash");
        }
        if (state().warptime && t0 + elapsed - state().warptime >= 280 && t0 + elapsed - state().warptime < 320)
            bench::save("Starfield.pass_run_up");
    }
    bench::save("Starfield.pass_end");
    EXPECT_EQ(1, state().axlock);
    EXPECT_EQ(1, state().aylock);
    EXPECT_GT(state().warptime, t0 + 40000);
    EXPECT_EQ(1, state().warped);
    EXPECT_TRUE(flash_seen);
    int beyond = 0;
    for (const Star &s : state().star)
        beyond += s.z > 100;
    EXPECT_GT(beyond, 500) << "once warped, stars fly on past the viewer";
}

// --- the maths of a frame ---

TEST(StarfieldMaths, StarsComeRoundAtExactlyMinusOneHundredUntilWarped)
{
    EXPECT_EQ(-100.0f, advance_star_z(90.03f, 200, 0)) << "100.03 starts again at -100, the overshoot dropped";
    EXPECT_EQ(100.0f, advance_star_z(90, 200, 0)) << "exactly 100 stays";
    EXPECT_FLOAT_EQ(100.03f, advance_star_z(90.03f, 200, 1)) << "once warped, stars fly on";
    EXPECT_FLOAT_EQ(110.03f, advance_star_z(100.03f, 200, 1));
    EXPECT_FLOAT_EQ(-49.95f, advance_star_z(-50, 1, 0)) << "0.05 units a millisecond";
    EXPECT_EQ(-50.0f, advance_star_z(-50, 0, 0));
}

TEST(StarfieldMaths, LabelAlphaStepsByHundredthsWithDistanceFromTheViewersPlane)
{
    EXPECT_FLOAT_EQ(1, label_alpha(0));
    EXPECT_FLOAT_EQ(0.5f, label_alpha(-50.5f));
    EXPECT_FLOAT_EQ(0.01f, label_alpha(-100));
    EXPECT_FLOAT_EQ(0, label_alpha(100));
    EXPECT_FLOAT_EQ(1, label_alpha(0.98f));
    EXPECT_FLOAT_EQ(0.99f, label_alpha(0.99f));
    EXPECT_FLOAT_EQ(1, label_alpha(-1.0f));
    EXPECT_FLOAT_EQ(0.99f, label_alpha(-1.02f));
    EXPECT_FLOAT_EQ(0.75f, label_alpha(25.5f));
}

TEST(StarfieldMaths, YawTurnsTwentyDegreesASecondWrapsOnceAndLocksStrictly)
{
    EXPECT_FLOAT_EQ(20, advance_ax(0, 1000, 0));
    EXPECT_NEAR(0.2, advance_ax(359.9f, 15, 0), 1e-4) << "one subtraction of 360";
    EXPECT_FLOAT_EQ(370, advance_ax(10, 36000, 0)) << "only one subtraction, however far it went";
    EXPECT_FLOAT_EQ(355, advance_ax(355, 1000, 1)) << "locked";
    EXPECT_FLOAT_EQ(0, advance_ax(360, 0, 1)) << "the wrap applies even when locked";
    EXPECT_FALSE(ax_locks(350));
    EXPECT_TRUE(ax_locks(350.01f));
    EXPECT_TRUE(ax_locks(359.99f));
}

TEST(StarfieldMaths, PitchSwingsWithTheAbsoluteClockAndLocksInsideAStrictWindow)
{
    EXPECT_FLOAT_EQ(10, advance_ay(0, 1000, 0, 0)) << "cos 0 = 1: one degree per 100 ms";
    EXPECT_NEAR(5 + 10 * std::cos(3.0), advance_ay(5, 1000, 30, 0), 1e-5) << "tenths 30 is 3 s";
    EXPECT_FLOAT_EQ(5, advance_ay(5, 1000, 30, 1)) << "locked";
    EXPECT_FALSE(ay_locks(4.1f));
    EXPECT_TRUE(ay_locks(4.11f));
    EXPECT_TRUE(ay_locks(5.09f));
    EXPECT_FALSE(ay_locks(5.1f));
    EXPECT_FALSE(ay_locks(-4.6f));
}

TEST(StarfieldMaths, LabelsTurnRoundOnlyStrictlyPastHalfATurn)
{
    // Right at 180 degrees the labels are edge on to the view, which is
    // where the turn can happen unseen.
    EXPECT_FALSE(label_turned(180));
    EXPECT_TRUE(label_turned(180.02f));
    EXPECT_FALSE(label_turned(0));
    EXPECT_TRUE(label_turned(359.9f));
}

TEST(StarfieldMaths, ShipFliesInFromAHundredUnitsBackAndCruisesFromTenSeconds)
{
    EXPECT_NEAR(-99.4857, ship_approach(3001), 1e-4);
    EXPECT_NEAR(0.5 - 1.0 / 70, ship_approach(9999), 1e-9);
    EXPECT_DOUBLE_EQ(0.5, ship_approach(10000));
    EXPECT_DOUBLE_EQ(0.5, ship_approach(30000));
}

TEST(StarfieldMaths, WarpPhasesFollowTheStretch)
{
    EXPECT_EQ(WarpPhase::run_up, warp_phase(1));
    EXPECT_EQ(WarpPhase::run_up, warp_phase(450));
    EXPECT_EQ(WarpPhase::flash, warp_phase(451));
    EXPECT_EQ(WarpPhase::flash, warp_phase(499));
    EXPECT_EQ(WarpPhase::gone, warp_phase(500));
    EXPECT_EQ(WarpPhase::gone, warp_phase(5000));
}

}  // namespace
