#include <GL/gl.h>

#include "bench.h"
#include "view.h"

namespace {

// A white square of the given half-size centred on (x, y) relative to the
// base matrix, on black.
void draw_square(double x, double y, double z, double half)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex3d(x - half, y - half, z);
    glVertex3d(x + half, y - half, z);
    glVertex3d(x + half, y + half, z);
    glVertex3d(x - half, y + half, z);
    glEnd();
    platform_present();
}

void expect_square_edges(double x, double y, double z, double half)
{
    const bench::Point low = bench::project_base(x - half, y - half, z);
    const bench::Point high = bench::project_base(x + half, y + half, z);
    constexpr double inset = 2;
    EXPECT_TRUE(bench::probe({low.x + inset, high.y + inset}, bench::white));
    EXPECT_TRUE(bench::probe({high.x - inset, low.y - inset}, bench::white));
    EXPECT_TRUE(bench::probe({low.x - inset, (low.y + high.y) / 2}, bench::black));
    EXPECT_TRUE(bench::probe({high.x + inset, (low.y + high.y) / 2}, bench::black));
    EXPECT_TRUE(bench::probe({(low.x + high.x) / 2, high.y - inset}, bench::black));
    EXPECT_TRUE(bench::probe({(low.x + high.x) / 2, low.y + inset}, bench::black));
}

TEST(View, NearPlaneSpansOneUnitEachSideAndHeightFollowsTheWindow)
{
    bench::open(1920, 1080);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // glFrustum's scale terms are 2n/(r-l) and 2n/(t-b).
    EXPECT_FLOAT_EQ(5.0f, projection[0]);
    EXPECT_FLOAT_EQ(5.0f / 0.5625f, projection[5]);
}

TEST(View, BaseMatrixPlacesTheOriginOneHundredUnitsAhead)
{
    bench::open();
    draw_square(0, 0, 0, 10);
    expect_square_edges(0, 0, 0, 10);
    // At 100 units a unit is 5/100 of the half-width of the window.
    EXPECT_DOUBLE_EQ(16, bench::pixels_per_unit(-100));
}

TEST(View, OffCentreSquaresLandWhereTheFrustumPutsThemInWideAndSquareWindows)
{
    for (auto [width, height] : {std::pair{640, 480}, std::pair{800, 450}}) {
        bench::open(width, height);
        draw_square(-18, 8, -50, 5);
        expect_square_edges(-18, 8, -50, 5);
        draw_square(6, -3, 40, 2);
        expect_square_edges(6, -3, 40, 2);
    }
}

TEST(View, FrameCanBeSavedForAPersonToLookAt)
{
    bench::open();
    draw_square(0, 0, 0, 10);
    const std::string path = bench::save("View.square");
    std::FILE *file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    unsigned char signature[8] = {};
    EXPECT_EQ(8u, std::fread(signature, 1, 8, file));
    std::fclose(file);
    EXPECT_EQ(0x89, signature[0]);
    EXPECT_EQ('P', signature[1]);
}

}  // namespace
