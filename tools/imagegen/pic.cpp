// The picture: plums on a wooden stand under a glass bell jar, ray traced.
// Empty pixels stay (0,0,0) and the demo shows its white screen there, so
// whatever is seen through the glass is lit as if the world behind were white.
#include "pictures.h"
#include "vec.h"

#include <array>

namespace {

constexpr float no_hit = 1e30f;
constexpr float eps = 1e-4f;

struct Ray {
    Vec3 o, d;  // d is unit length
};

enum class Mat { none, wood, plum, stem, leaf, shell, knob };

struct Hit {
    float t = no_hit;
    Vec3 n{0, 1, 0};  // outward
    Mat mat = Mat::none;
    int plum = 0;
};

constexpr float stand_r = 1.35f, stand_h = 0.2f;
constexpr float jar_r = 1.14f, dome_y = 1.8f;  // the wall ends where the dome starts
constexpr Vec3 knob_c{0, dome_y + jar_r + 0.12f, 0};
constexpr float knob_r = 0.17f;
constexpr float stretch = 1.1f;  // plums stand a little taller than wide

struct Plum {
    Vec3 c;
    float r;
    Vec3 skin;
    Vec3 seam;  // normal of the plane of the crease
};

constexpr float rest(float r) { return stand_h + r * stretch; }
const std::array<Plum, 5> plums{{
    {{-0.50f, rest(0.42f), 0.05f}, 0.42f, rgb8(92, 22, 70), normalize({1, 0.2f, 0.6f})},
    {{0.48f, rest(0.40f), -0.10f}, 0.40f, rgb8(70, 20, 84), normalize({-0.8f, 0.1f, 0.7f})},
    {{0.02f, rest(0.40f), -0.55f}, 0.40f, rgb8(84, 18, 62), normalize({1, 0, 0.2f})},
    {{0.14f, rest(0.38f), 0.55f}, 0.38f, rgb8(102, 26, 78), normalize({0.9f, 0.3f, -0.3f})},
    {{-0.02f, rest(0.42f) + 0.56f, -0.04f}, 0.40f, rgb8(96, 24, 88), normalize({0.95f, 0, 0.35f})},
}};
constexpr Vec3 stem_a{-0.02f, 1.62f, -0.04f}, stem_b{0.06f, 1.86f, 0.0f};
constexpr float stem_r = 0.028f;
// The leaf hangs from the stem's top, its face turned up towards the eye:
// its normal, length axis, width axis and size.
constexpr Vec3 leaf_o{0.06f, 1.83f, 0.0f};
const Vec3 leaf_n = normalize({0.1f, 0.8f, 0.8f});
const Vec3 leaf_u = normalize(Vec3{0.85f, -0.3f, 0.4f} - leaf_n * dot({0.85f, -0.3f, 0.4f}, leaf_n));
const Vec3 leaf_v = cross(leaf_n, leaf_u);
constexpr float leaf_len = 0.62f, leaf_w = 0.17f;

const Vec3 key_dir = normalize({-0.55f, 0.75f, 0.6f});

void sphere_roots(const Ray& r, Vec3 c, float rad, float& t0, float& t1)
{
    const Vec3 oc = r.o - c;
    const float b = dot(oc, r.d), disc = b * b - dot(oc, oc) + rad * rad;
    if (disc < 0) { t0 = t1 = no_hit; return; }
    const float s = std::sqrt(disc);
    t0 = -b - s;
    t1 = -b + s;
}

void consider(Hit& h, float t, Vec3 n, Mat m, int plum = 0)
{
    if (t > eps && t < h.t) h = {t, n, m, plum};
}

void hit_plum(const Ray& r, int i, Hit& h)
{
    // Squash the ray so that the plum becomes a sphere; t stays a world distance.
    const Plum& p = plums[std::size_t(i)];
    const Vec3 s{1, 1 / stretch, 1}, o = (r.o - p.c) * s, d = r.d * s;
    const float a = dot(d, d), b = dot(o, d), disc = b * b - a * (dot(o, o) - p.r * p.r);
    if (disc < 0) return;
    const float t = (-b - std::sqrt(disc)) / a;
    const Vec3 q = r.o + r.d * t - p.c;
    consider(h, t, normalize(q * Vec3{1, 1 / (stretch * stretch), 1}), Mat::plum, i);
}

void hit_stand(const Ray& r, Hit& h)
{
    if (r.d.y != 0) {
        const float t = (stand_h - r.o.y) / r.d.y;
        const Vec3 p = r.o + r.d * t;
        if (p.x * p.x + p.z * p.z < stand_r * stand_r) consider(h, t, {0, 1, 0}, Mat::wood);
    }
    const float a = r.d.x * r.d.x + r.d.z * r.d.z, b = r.o.x * r.d.x + r.o.z * r.d.z;
    const float disc = b * b - a * (r.o.x * r.o.x + r.o.z * r.o.z - stand_r * stand_r);
    if (a == 0 || disc < 0) return;
    const float t = (-b - std::sqrt(disc)) / a;
    const Vec3 p = r.o + r.d * t;
    if (p.y > 0 && p.y < stand_h) consider(h, t, Vec3{p.x, 0, p.z} * (1 / stand_r), Mat::wood);
}

// The jar is a thin shell: an open cylinder up to dome_y, then a half sphere.
void hit_shell(const Ray& r, Hit& h)
{
    const float a = r.d.x * r.d.x + r.d.z * r.d.z, b = r.o.x * r.d.x + r.o.z * r.d.z;
    const float disc = b * b - a * (r.o.x * r.o.x + r.o.z * r.o.z - jar_r * jar_r);
    if (a > 0 && disc >= 0) {
        for (float t : {(-b - std::sqrt(disc)) / a, (-b + std::sqrt(disc)) / a}) {
            const Vec3 p = r.o + r.d * t;
            if (p.y > stand_h && p.y < dome_y) consider(h, t, Vec3{p.x, 0, p.z} * (1 / jar_r), Mat::shell);
        }
    }
    const Vec3 c{0, dome_y, 0};
    float t0, t1;
    sphere_roots(r, c, jar_r, t0, t1);
    for (float t : {t0, t1}) {
        const Vec3 p = r.o + r.d * t;
        if (t < no_hit && p.y >= dome_y) consider(h, t, (p - c) * (1 / jar_r), Mat::shell);
    }
}

void hit_stem(const Ray& r, Hit& h)
{
    // Capsule: cylinder body between stem_a and stem_b, round ends.
    const Vec3 ba = stem_b - stem_a, oa = r.o - stem_a;
    const float baba = dot(ba, ba), bard = dot(ba, r.d), baoa = dot(ba, oa);
    const float a = baba - bard * bard, b = baba * dot(r.d, oa) - baoa * bard;
    const float c = baba * dot(oa, oa) - baoa * baoa - stem_r * stem_r * baba;
    if (b * b - a * c < 0) return;
    float t = (-b - std::sqrt(b * b - a * c)) / a;
    const float y = baoa + t * bard;
    if (y <= 0 || y >= baba) {
        float t1;
        sphere_roots(r, y <= 0 ? stem_a : stem_b, stem_r, t, t1);
    }
    const Vec3 p = r.o + r.d * t - stem_a;
    consider(h, t, normalize(p - ba * clamp01(dot(p, ba) / baba)), Mat::stem);
}

// Leaf outline across its length a (0 at the stalk, 1 at the tip).
float leaf_half_width(float a) { return a <= 0 || a >= 1 ? 0 : 2.6f * leaf_w * std::sqrt(a) * (1 - a); }

void hit_leaf(const Ray& r, Hit& h)
{
    const Vec3 n = leaf_n;
    const float dn = dot(r.d, n);
    if (dn == 0) return;
    const float t = dot(leaf_o - r.o, n) / dn;
    const Vec3 q = r.o + r.d * t - leaf_o;
    if (std::abs(dot(q, leaf_v)) < leaf_half_width(dot(q, leaf_u) / leaf_len)) consider(h, t, n, Mat::leaf);
}

Hit intersect(const Ray& r)
{
    Hit h;
    for (int i = 0; i < int(plums.size()); ++i) hit_plum(r, i, h);
    hit_stand(r, h);
    hit_shell(r, h);
    hit_stem(r, h);
    hit_leaf(r, h);
    float t0, t1;
    sphere_roots(r, knob_c, knob_r, t0, t1);
    for (float t : {t0, t1})
        if (t < no_hit) consider(h, t, normalize(r.o + r.d * t - knob_c), Mat::knob);
    return h;
}

float hash(int x, int y, int z)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(z) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float(h ^ (h >> 16)) / 4294967295.0f;
}

// Smooth value noise in 0..1.
float noise(Vec3 p)
{
    const int ix = int(std::floor(p.x)), iy = int(std::floor(p.y)), iz = int(std::floor(p.z));
    const float fx = smoothstep(0, 1, p.x - ix), fy = smoothstep(0, 1, p.y - iy), fz = smoothstep(0, 1, p.z - iz);
    const auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    const auto row = [&](int y, int z) { return lerp(hash(ix, y, z), hash(ix + 1, y, z), fx); };
    return lerp(lerp(row(iy, iz), row(iy + 1, iz), fy), lerp(row(iy, iz + 1), row(iy + 1, iz + 1), fy), fz);
}

// What the glass and the fruit reflect: a bright studio with a soft box
// overhead, a strip light to the front left and dark cards behind on either
// side, which draw the jar's outline on the white.
Vec3 studio(Vec3 d)
{
    if (d.x < -0.55f && d.z > 0 && d.y > -0.2f && d.y < 0.6f) return Vec3{1.8f, 1.8f, 1.8f};
    const float side = d.z < 0 ? std::abs(d.x) / -d.z : 0;
    if (side > 0.17f && side < 0.6f && std::abs(d.y) < 0.35f) return rgb8(40, 44, 52);
    if (d.y < 0) return Vec3{0.8f, 0.8f, 0.8f};
    return Vec3{0.94f, 0.95f, 0.97f} + Vec3{1, 1, 1} * smoothstep(0.7f, 0.95f, d.y);
}

// Darkening of the floor around the stand, lit from the front left.
float floor_shade(Vec3 p)
{
    return 0.5f * (1 - smoothstep(stand_r - 0.1f, stand_r + 0.7f, std::hypot(p.x - 0.15f, (p.z + 0.2f) * 0.85f)));
}

// Soft darkening where the fruit crowds a point: fake ambient occlusion.
float crowding(Vec3 p, int skip)
{
    float ao = 1;
    for (int i = 0; i < int(plums.size()); ++i) {
        if (i == skip) continue;
        const Plum& q = plums[std::size_t(i)];
        ao *= 0.5f + 0.5f * smoothstep(0, 0.7f * q.r, length(p - q.c) - q.r);
    }
    return ao;
}

bool in_shadow(Vec3 p, Vec3 dir)
{
    const Ray r{p, dir};
    Hit h;
    for (int i = 0; i < int(plums.size()); ++i) hit_plum(r, i, h);
    hit_stem(r, h);
    hit_leaf(r, h);
    return h.t < no_hit;
}

Vec3 reflect(Vec3 d, Vec3 n) { return d - n * (2 * dot(d, n)); }

struct Surface {
    Vec3 albedo;
    float gloss;     // strength of the sharp highlight and mirror reflection
    float ambient;   // occlusion factor
};

Vec3 light(Vec3 p, Vec3 n, Vec3 d, const Surface& s, Vec3 key, float sheen)
{
    const float lit = in_shadow(p + n * 2e-3f, key) ? 0 : std::max(0.0f, dot(n, key));
    const Vec3 sky = Vec3{0.32f, 0.33f, 0.38f} * (0.75f + 0.25f * n.y);
    Vec3 c = s.albedo * (Vec3{1.0f, 0.96f, 0.9f} * (1.05f * lit) + sky * s.ambient);
    const Vec3 half = normalize(key - d);
    const float facing = 1 - std::abs(dot(n, d));
    c = c + Vec3{1, 1, 1} * (s.gloss * std::pow(std::max(0.0f, dot(n, half)), 90.0f) * (lit > 0 ? 1.0f : 0.0f));
    c = c + studio(reflect(d, n)) * (s.gloss * (0.04f + 0.4f * std::pow(facing, 5.0f)));
    return mix(c, rgb8(150, 148, 185) * (0.5f + 0.6f * lit), sheen * (0.35f + 0.65f * facing * facing));
}

Vec3 shade_plum(Vec3 p, Vec3 n, Vec3 d, int i, Vec3 key)
{
    const Plum& q = plums[std::size_t(i)];
    const float crease = std::exp(-std::pow(dot(p - q.c, q.seam) / (0.1f * q.r), 2.0f));
    const Vec3 skin = q.skin * ((0.8f + 0.4f * noise(p * 7)) * (1 - 0.3f * crease));
    const float bloom = 0.12f + 0.3f * smoothstep(0.45f, 0.8f, noise(p * 11 + Vec3{3, 1, 7}));
    return light(p, n, d, {skin, 0.7f * (1 - bloom), crowding(p, i)}, key, bloom);
}

Vec3 shade_wood(Vec3 p, Vec3 n, Vec3 d, Vec3 key)
{
    // End grain on top, straight grain round the edge.
    const float wobble = 2.5f * noise(p * Vec3{2, 6, 2}) + 0.4f * noise(p * 25);
    const float grain = n.y > 0.5f ? std::hypot(p.x - 1.9f, p.z + 3.1f) * 7 + wobble
                                   : std::atan2(p.z, p.x) * 9 + p.y * 3 + wobble;
    const float ring = smoothstep(0.6f, 1.0f, std::abs(std::sin(grain * 3.14159f)));
    const Vec3 albedo = mix(rgb8(134, 80, 46), rgb8(104, 58, 32), ring) * (0.9f + 0.2f * noise(p * 40));
    return light(p, n, d, {albedo, 0.35f, crowding(p, -1)}, key, 0);
}

Vec3 shade_leaf(Vec3 p, Vec3 n, Vec3 d, Vec3 key)
{
    const Vec3 q = p - leaf_o;
    const float a = dot(q, leaf_u) / leaf_len, b = std::abs(dot(q, leaf_v)) / leaf_w;
    const float vein = std::max(1 - smoothstep(0.02f, 0.06f, b), 0.6f * smoothstep(0.85f, 1.0f, std::sin((a * 9 - b * 2.2f) * 6.2832f)));
    const Vec3 albedo = mix(rgb8(46, 104, 30), rgb8(130, 170, 70), vein);
    return light(p, dot(n, d) > 0 ? n * -1 : n, d, {albedo, 0.3f, 1}, key, 0);
}

// Colour seen along r. `mirrored` says whether the ray was reflected on its
// way: a straight ray that escapes sees the demo's white screen, a reflected
// one sees the studio.
Vec3 trace(const Ray& r, int depth, bool mirrored, Vec3 key)
{
    const Hit h = intersect(r);
    if (h.mat == Mat::none) {
        if (r.d.y >= 0) return mirrored ? studio(r.d) : Vec3{1, 1, 1};
        const Vec3 p = r.o + r.d * (-r.o.y / r.d.y);
        return (mirrored ? studio(r.d) : Vec3{1, 1, 1}) * (1 - floor_shade(p));
    }
    const Vec3 p = r.o + r.d * h.t;
    switch (h.mat) {
    case Mat::plum: return shade_plum(p, h.n, r.d, h.plum, key);
    case Mat::wood: return shade_wood(p, h.n, r.d, key);
    case Mat::leaf: return shade_leaf(p, h.n, r.d, key);
    case Mat::stem: return light(p, h.n, r.d, {rgb8(96, 70, 40), 0.2f, 1}, key, 0);
    default: break;
    }
    if (depth == 0) return studio(r.d);
    const Vec3 refl = reflect(r.d, h.n);
    const float c = std::abs(dot(r.d, h.n)), f = 0.04f + 0.96f * std::pow(1 - c, 5.0f);
    if (h.mat == Mat::shell) {
        // Thin glass: both faces reflect, the rest passes straight on, tinted
        // more the more slantwise it crosses.
        const float refl_part = 2 * f / (1 + f);
        const float path = 1 / std::max(c, 0.03f);
        const Vec3 tint{std::exp(-0.05f * path), std::exp(-0.022f * path), std::exp(-0.018f * path)};
        const Vec3 through = trace({p + r.d * eps, r.d}, depth - 1, mirrored, key);
        return studio(refl) * refl_part + tint * through * (1 - refl_part);
    }
    // Solid glass knob: refract in or out, or reflect entirely.
    const bool inside = dot(r.d, h.n) > 0;
    const Vec3 n = inside ? h.n * -1 : h.n;
    const float eta = inside ? 1.5f : 1 / 1.5f, cos_i = -dot(r.d, n);
    const float k = 1 - eta * eta * (1 - cos_i * cos_i);
    const Vec3 back = trace({p + refl * eps, refl}, depth - 1, true, key);
    if (k < 0) return back;
    const Vec3 bent = normalize(r.d * eta + n * (eta * cos_i - std::sqrt(k)));
    return back * f + trace({p + bent * eps, bent}, depth - 1, mirrored, key) * (1 - f);
}

// Whether a ray from the eye meets the subject or the shadow it casts; where
// no sample of a pixel does, the pixel is left empty.
bool meets_subject(const Ray& r)
{
    if (intersect(r).mat != Mat::none) return true;
    return r.d.y < 0 && floor_shade(r.o + r.d * (-r.o.y / r.d.y)) > 0.5f / 255;
}

}  // namespace

std::vector<std::uint8_t> trace_picture()
{
    constexpr Vec3 eye{0, 2.55f, 7.6f}, target{0, 1.38f, 0};
    constexpr float half_height = 0.37f;  // tan of half the vertical field of view
    constexpr int grid = 3;               // samples per pixel along each side
    constexpr int bounces = 6;            // enough to pass the knob and both jar walls
    const Vec3 fwd = normalize(target - eye), right = normalize(cross(fwd, {0, 1, 0})), up = cross(right, fwd);
    const float half_width = half_height * pic_width / pic_height;

    std::vector<std::uint8_t> out(std::size_t(pic_width) * pic_height * 3);
    for (int y = 0; y < pic_height; ++y) {
        for (int x = 0; x < pic_width; ++x) {
            Vec3 sum{0, 0, 0};
            bool touched = false;
            for (int s = 0; s < grid * grid; ++s) {
                const float sx = (s % grid + 0.5f) / grid, sy = (s / grid + 0.5f) / grid;
                const float u = (2 * (x + sx) / pic_width - 1) * half_width, v = (1 - 2 * (y + sy) / pic_height) * half_height;
                const Ray r{eye, normalize(fwd + right * u + up * v)};
                // Each sample sees the key light from a slightly different spot: soft shadows.
                const Vec3 key = normalize(key_dir + Vec3{(sx - 0.5f) * 0.12f, 0, (sy - 0.5f) * 0.12f});
                touched = touched || meets_subject(r);
                sum = sum + trace(r, bounces, false, key);
            }
            if (!touched) continue;
            std::uint8_t* px = &out[(std::size_t(y) * pic_width + x) * 3];
            const Vec3 c = sum * (1.0f / (grid * grid));
            px[0] = to_byte(c.x);
            px[1] = to_byte(c.y);
            px[2] = to_byte(c.z);
            if (px[0] == 0 && px[1] == 0 && px[2] == 0) px[2] = 1;  // black would read as empty
        }
    }
    return out;
}
