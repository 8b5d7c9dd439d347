// The logo: a plum in a glass porthole of night sky, a bevelled wordmark and
// a dark plate that carries the scene's white captions, on the screen's own
// white. Colours answer the scenes': the cube field's red and greens, the
// tile wall's blue, the starfield's night, the end scene's yellow.
// No colour has a zero channel, so the record's first zero byte after the
// header is its terminator.
#include "canvas.h"
#include "letters.h"
#include "noise.h"
#include "pictures.h"
#include "shapes.h"

#include <array>

namespace {

constexpr Vec3 white{1, 1, 1};
constexpr Vec3 night = rgb8(8, 10, 40);  // outlines and drop shadows

// Light from the upper left and in front; image axes, y down.
const Vec3 light_dir = normalize({-0.55f, -0.75f, 0.9f});

// A surface tilted by slope along the outward normal n (image axes, z zero):
// Lambert relative to the face-on surface, plus a tight highlight.
Vec3 lit(Vec3 base, Vec3 n, float slope, float shine)
{
    const Vec3 nn = normalize({n.x * slope, n.y * slope, 1});
    const float diffuse = std::max(0.0f, dot(nn, light_dir)) / light_dir.z;
    const Vec3 half = normalize(light_dir + Vec3{0, 0, 1});
    const float highlight = shine * std::pow(std::max(0.0f, dot(nn, half)), 40.0f);
    return base * (0.35f + 0.65f * diffuse) + white * highlight;
}

// Pixels covered by a soft shadow of a field, dropped down and right.
template <class Dist>
void drop_shadow(Canvas& cv, int x0, int y0, int x1, int y1, int drop, Dist dist)
{
    paint(cv, x0, y0, x1 + drop, y1 + drop, [&](float x, float y) { return dist(x - drop, y - drop) / 5; }, flat(night),
          0.22f);
}

struct Ramp {
    Vec3 top, upper, lower, bottom;  // two ramps meeting at mid-height; a step there reads as chrome
};

Vec3 ramp_at(const Ramp& r, float t)
{
    t = clamp01(t);
    return t < 0.5f ? mix(r.top, r.upper, t * 2) : mix(r.lower, r.bottom, t * 2 - 1);
}

// Warm metal: the end scene's yellow through orange into the cube field's red.
constexpr Ramp chrome{rgb8(255, 240, 120), rgb8(246, 160, 30), rgb8(226, 80, 44), rgb8(150, 30, 48)};
constexpr Ramp brass{rgb8(255, 240, 120), rgb8(246, 150, 30), rgb8(246, 150, 30), rgb8(178, 51, 51)};
// The cube field's greens.
constexpr Ramp leafy{rgb8(190, 255, 110), rgb8(76, 220, 50), rgb8(40, 170, 30), rgb8(20, 100, 24)};

struct LetterStyle {
    Ramp face;
    int depth;      // extrusion, pixels down and right
    float outline;  // pixels
    float bevel;    // pixels
};

// The tile wall's blue on the extrusion: lighter where it faces right, darker
// where it faces down, and darker the deeper it lies.
Vec3 side_colour(Vec3 n, float depth)
{
    const Vec3 side = mix(rgb8(70, 90, 255), rgb8(24, 30, 150), clamp01(n.y * 0.8f + 0.5f - n.x * 0.3f));
    return mix(side, night, 0.5f * depth);
}

void draw_lettering(Canvas& cv, const Lettering& t, const LetterStyle& s)
{
    const std::vector<Outline> letters = lay_out(t);
    const int margin = s.depth + int(s.outline) + 4;
    const int x0 = int(t.left) - margin, x1 = int(lettering_right(t) + letter_slant * t.cap) + margin;
    const int y0 = int(t.baseline - t.cap) - margin, y1 = int(t.baseline) + margin;
    const Field face = sample(x0, y0, x1, y1, [&](float x, float y) { return lettering_dist(letters, x, y); });
    // The outline also fills the counters, so no white shows through them.
    const Field hull = sample(x0, y0, x1, y1, [&](float x, float y) { return lettering_dist(letters, x, y, true); });
    // The block behind the face: the face pushed back one pixel at a time;
    // the first step that covers a pixel tells how deep it lies.
    Field block{x0, y0, x1 - x0, y1 - y0, std::vector<float>(face.d.size(), 1e9f)};
    std::vector<int> step(face.d.size(), 0);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::size_t i = std::size_t(y - y0) * std::size_t(block.w) + std::size_t(x - x0);
            for (int k = 1; k <= s.depth; ++k)
                if (face.at(x - k, y - k) < block.d[i]) block.d[i] = face.at(x - k, y - k), step[i] = k;
        }
    const auto solid = [&](float x, float y) { return std::min(hull.at(x, y), block.at(x, y)); };
    const float top = t.baseline - t.cap;

    drop_shadow(cv, x0, y0, x1, y1, 8, solid);
    paint(cv, x0, y0, x1, y1, [&](float x, float y) { return solid(x, y) - s.outline; }, flat(night));
    paint(cv, x0, y0, x1, y1, [&](float x, float y) { return block.at(x, y); }, [&](float x, float y) {
        const int k = step[std::size_t(int(y) - y0) * std::size_t(block.w) + std::size_t(int(x) - x0)];
        return side_colour(face.normal(int(x) - k, int(y) - k), float(k) / float(s.depth));
    });
    paint(cv, x0, y0, x1, y1, [&](float x, float y) { return face.at(x, y); }, [&](float x, float y) {
        const Vec3 base = ramp_at(s.face, (y - top) / t.cap);
        const float inset = -face.at(x, y) / s.bevel;
        if (inset >= 1) return base;
        // A rounded chamfer: steep at the edge, flattening into the face.
        return lit(base, face.normal(x, y), 1.2f * (1 - smoothstep(0.5f, 1.0f, inset)), 0.9f);
    });
}

void draw_wordmark(Canvas& cv)
{
    // The title stands on the plate, its right edge clear of the outer
    // columns that the approaching cloud pushes off screen; the rest of the
    // name sits under the plate, along the same slant.
    constexpr float right = 1030;
    Lettering title{"PLUMS", 0, 238, 144, 0.08f};
    title.left = right - (lettering_right(title) - title.left);
    draw_lettering(cv, title, {chrome, 12, 5, 11});
    Lettering sub{"UNDER GLASS", 0, 528, 46, 0.14f};
    sub.left = right - 44 - letter_slant * (sub.baseline - title.baseline) - (lettering_right(sub) - sub.left);
    draw_lettering(cv, sub, {leafy, 5, 4, 5});
}

// The plate the captions stand on. Where each caption lands on the cloud
// moves as the cloud approaches: a caption at eye depth 150 over the cloud
// at depth 500 - clock covers (500 - clock) / 150 times its own size, in
// units of 7 pixels about column 593 and row 314. From each caption's first
// frame to the scene's last, they cover columns 463 to 981 and rows 278 to
// 447; the plate keeps a margin round that.
constexpr float plate_top = 264, plate_bottom = 462, plate_left = 330, plate_right = 1050;

float plate_dist(float x, float y)
{
    const std::array<P2, 4> corners{{{plate_left, plate_top},
                                     {plate_right, plate_top},
                                     {plate_right - letter_slant * (plate_bottom - plate_top), plate_bottom},
                                     {plate_left, plate_bottom}}};
    return polygon_dist(x, y, corners.data(), 4);
}

void draw_plate(Canvas& cv)
{
    constexpr int x0 = int(plate_left) - 10, x1 = int(plate_right) + 10;
    constexpr int y0 = int(plate_top) - 10, y1 = int(plate_bottom) + 10;
    const Field plate = sample(x0, y0, x1, y1, plate_dist);
    drop_shadow(cv, x0, y0, x1, y1, 9, [&](float x, float y) { return plate.at(x, y); });
    paint(cv, x0, y0, x1, y1, [&](float x, float y) { return plate.at(x, y); }, [&](float x, float y) {
        Vec3 base = mix(rgb8(20, 26, 86), rgb8(6, 8, 36), (y - plate_top) / (plate_bottom - plate_top));
        // Dark glass: two soft streaks of reflected light along the slant,
        // right of where the tests probe the captions' first letters.
        const float u = x + letter_slant * (y - plate_top);
        base = base + rgb8(24, 32, 90) * (1 - smoothstep(20, 60, std::abs(u - 770)) +
                                           0.6f * (1 - smoothstep(4, 14, std::abs(u - 860))));
        const float inset = -plate.at(x, y) / 5;
        if (inset >= 1) return base;
        return lit(mix(base, rgb8(60, 80, 230), 1 - inset), plate.normal(x, y), 1.0f, 0.4f);
    });
}

// The porthole: a ring of brass round a disc of night sky, left of where the
// first caption starts on its first frame.
constexpr float bx = 286, by = 318, ring_r = 166, ring_w = 22;
constexpr float sky_r = ring_r - ring_w;
constexpr int bx0 = int(bx - ring_r) - 10, bx1 = int(bx + ring_r) + 10;
constexpr int by0 = int(by - ring_r) - 60, by1 = int(by + ring_r) + 10;

void draw_stars(Canvas& cv)
{
    // One star in some cells of a coarse grid, at a random place in the cell.
    constexpr int cell = 26;
    for (int gy = 0; gy * cell < 2 * ring_r; ++gy) {
        for (int gx = 0; gx * cell < 2 * ring_r; ++gx) {
            if (hash(gx, gy, 0) > 0.55f) continue;
            const float sx = bx - ring_r + (gx + hash(gx + 91, gy, 0)) * cell;
            const float sy = by - ring_r + (gy + hash(gx, gy + 57, 0)) * cell;
            if (std::hypot(sx - bx, sy - by) > sky_r - 10) continue;
            const float size = 0.6f + 1.6f * hash(gx + 7, gy + 3, 0) * hash(gx + 5, gy + 11, 0);
            const int r = int(size * 4) + 2;
            const int x0 = int(sx) - r, y0 = int(sy) - r, x1 = int(sx) + r + 1, y1 = int(sy) + r + 1;
            paint(cv, x0, y0, x1, y1, [&](float x, float y) { return std::hypot(x - sx, y - sy) - size; },
                  flat(rgb8(230, 236, 255)));
            if (size > 1.5f) {  // the brightest ones sparkle
                const auto spike = [&](float x, float y) {
                    const float ax = std::abs(x - sx), ay = std::abs(y - sy);
                    return std::min(ax * 3 + ay / 2, ay * 3 + ax / 2) - size * 2.5f;
                };
                paint(cv, x0, y0, x1, y1, spike, flat(rgb8(200, 214, 255)), 0.8f);
            }
        }
    }
}

// Leaf: the lens between two circles, along the line from a to b.
float leaf_dist(float x, float y, P2 a, P2 b)
{
    const float mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2, half = std::hypot(b.x - a.x, b.y - a.y) / 2;
    const float ux = (b.x - a.x) / (2 * half), uy = (b.y - a.y) / (2 * half);
    const float u = (x - mx) * ux + (y - my) * uy, v = -(x - mx) * uy + (y - my) * ux;
    const float off = half * 1.1f;
    return std::hypot(u, std::abs(v) + off) - std::hypot(half, off);
}

constexpr float plum_x = bx - 6, plum_y = by + 24, plum_r = 94;
constexpr P2 stem_a{plum_x + 4, plum_y - 87}, stem_b{plum_x + 20, plum_y - 136};
constexpr P2 leaf_a{plum_x + 22, plum_y - 125}, leaf_b{plum_x + 152, plum_y - 194};

Vec3 plum_skin(float x, float y)
{
    const float nx = (x - plum_x) / plum_r, ny = (y - plum_y) / (plum_r * 1.04f);
    const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
    const Vec3 n{nx, ny, nz};
    const float key = std::max(0.0f, dot(n, light_dir));
    // Blue light from the lower right, as if from the tile wall.
    const float rim = std::pow(std::max(0.0f, dot(n, normalize({0.7f, 0.6f, 0.2f}))), 3.0f);
    Vec3 c = mix(rgb8(40, 10, 56), rgb8(150, 44, 140), key);
    c = mix(c, rgb8(236, 150, 224), smoothstep(0.85f, 1.0f, key) * 0.7f);
    c = c + rgb8(40, 60, 255) * (0.8f * rim);
    // The crease: a darker groove curving down the face.
    const float crease = std::abs(nx - 0.28f * (1 - ny * ny) + 0.1f);
    c = c * (1 - 0.35f * (1 - smoothstep(0.0f, 0.06f, crease)) * nz);
    // A soft round highlight where the key light mirrors.
    const float hx = nx + 0.38f, hy = ny + 0.42f;
    return mix(c, white, 0.85f * (1 - smoothstep(0.04f, 0.16f, std::hypot(hx * 1.3f, hy))));
}

void draw_porthole(Canvas& cv)
{
    const auto disc = [](float r) { return [r](float x, float y) { return circle_dist(x, y, bx, by, r); }; };
    drop_shadow(cv, bx0, by0, bx1, by1, 9, disc(ring_r));
    paint(cv, bx0, by0, bx1, by1, disc(ring_r + 5), flat(night));
    // The ring's cross-section is round: its normal turns from in to out across it.
    paint(cv, bx0, by0, bx1, by1, disc(ring_r), [&](float x, float y) {
        const float rr = std::hypot(x - bx, y - by);
        const float across = std::clamp((rr - (ring_r - ring_w / 2)) / (ring_w / 2), -1.0f, 1.0f);
        const Vec3 n{(x - bx) / rr * across, (y - by) / rr * across, 0};
        return lit(ramp_at(brass, (y - (by - ring_r)) / (2 * ring_r)), n, 1.6f, 0.8f);
    });
    paint(cv, bx0, by0, bx1, by1, disc(sky_r + 3), flat(night));
    paint(cv, bx0, by0, bx1, by1, disc(sky_r), [](float x, float y) {
        return mix(rgb8(30, 40, 130), rgb8(6, 8, 40), smoothstep(0, sky_r, std::hypot(x - bx + 40, y - by + 50)));
    });
    draw_stars(cv);

    // The plum and its leaf break out of the porthole at the top right.
    const auto plum = [](float x, float y) { return std::hypot(x - plum_x, (y - plum_y) / 1.04f) - plum_r; };
    const auto stem = [](float x, float y) { return segment_dist(x, y, stem_a, stem_b); };
    const auto leaf = [](float x, float y) { return leaf_dist(x, y, leaf_a, leaf_b); };
    paint(cv, bx0, by0, bx1, by1, [&](float x, float y) { return std::min({plum(x, y), stem(x, y) - 7, leaf(x, y)}) - 5; },
          flat(night));
    paint(cv, bx0, by0, bx1, by1, [&](float x, float y) { return stem(x, y) - 6; },
          [](float x, float) { return mix(rgb8(200, 140, 70), rgb8(110, 60, 30), clamp01((x - plum_x - 6) / 14)); });
    paint(cv, bx0, by0, bx1, by1, leaf, [](float x, float y) {
        // Lit along the upper half, shaded below the midrib.
        const float ux = leaf_b.x - leaf_a.x, uy = leaf_b.y - leaf_a.y, len = std::hypot(ux, uy);
        const float side = ((x - leaf_a.x) * uy - (y - leaf_a.y) * ux) / len;
        return ramp_at(leafy, side > 0 ? 0.25f - side / 120 : 0.55f - side / 90);
    });
    paint(cv, bx0, by0, bx1, by1,
          [&](float x, float y) { return std::max(segment_dist(x, y, leaf_a, leaf_b) - 1.6f, leaf(x, y) + 8); },
          flat(rgb8(24, 90, 30)));
    paint(cv, bx0, by0, bx1, by1, plum, plum_skin);

    // The glass: a soft crescent of light inside the rim at the upper left,
    // fading out towards its tips.
    paint(cv, bx0, by0, bx1, by1,
          [](float x, float y) {
              const float crescent =
                  std::max(circle_dist(x, y, bx, by, sky_r - 8), -circle_dist(x, y, bx + 20, by + 24, sky_r - 8) / 6);
              const float along = clamp01(1 - std::abs(std::atan2(y - by, x - bx) + 2.3f));
              return std::max(crescent, 0.5f - along);
          },
          flat(white), 0.5f);
}

// The porthole's square, ring, shadow and leaf inside it.
constexpr float icon_half = ring_r + 20;

}  // namespace

std::vector<std::uint8_t> draw_icon()
{
    // Drawn over white and over black: every paint blends over what is there,
    // so the ground shows through both alike, by how little a pixel is covered.
    Canvas on_white(logo_width, logo_height, white), on_black(logo_width, logo_height, Vec3{0, 0, 0});
    draw_porthole(on_white);
    draw_porthole(on_black);

    // Each icon pixel averages a grid of samples over its share of the square.
    constexpr int grid = 4;
    constexpr float scale = 2 * icon_half / icon_side;
    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(icon_side) * icon_side * 4);
    for (int y = 0; y < icon_side; ++y) {
        for (int x = 0; x < icon_side; ++x) {
            Vec3 colour{0, 0, 0};
            float alpha = 0;
            for (int j = 0; j < grid; ++j) {
                for (int i = 0; i < grid; ++i) {
                    const int sx = int(bx - icon_half + (x + (i + 0.5f) / grid) * scale);
                    const int sy = int(by - icon_half + (y + (j + 0.5f) / grid) * scale);
                    const std::size_t at = std::size_t(sy) * logo_width + std::size_t(sx);
                    const Vec3 w = on_white.px[at], b = on_black.px[at];
                    alpha += 1 - (w.x - b.x + w.y - b.y + w.z - b.z) / 3;
                    colour = colour + b;  // the colour times its coverage
                }
            }
            alpha /= grid * grid;
            colour = colour * (alpha > 0 ? 1 / (alpha * grid * grid) : 0);
            for (float v : {colour.x, colour.y, colour.z, alpha}) out.push_back(to_byte(v));
        }
    }
    return out;
}

std::vector<std::uint8_t> draw_logo()
{
    Canvas cv(logo_width, logo_height, white);
    draw_plate(cv);
    draw_porthole(cv);
    draw_wordmark(cv);

    std::vector<std::uint8_t> out;
    out.reserve(cv.px.size() * 3);
    for (Vec3 p : cv.px)
        for (float v : {p.x, p.y, p.z}) out.push_back(std::max<std::uint8_t>(1, to_byte(v)));
    return out;
}
