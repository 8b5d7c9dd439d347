#include "jar_scene.h"

namespace {

// The window: an arch in the wall, its sides standing on the sill.
constexpr float win_half = 1.3f, win_spring = 2.55f;  // half width; height where the arch springs
constexpr float frame_w = 0.11f, bar_w = 0.075f;
constexpr float sill_front = 0.9f, sill_half = 1.5f, sill_thick = 0.16f, sill_round = 0.05f;

// The jar: a glass cylinder with a thick floor, an orange rubber seal on its
// rim and a domed glass lid on the seal.
constexpr float glass_floor = 0.08f, syrup_level = 1.24f, jar_rim = 1.6f;
constexpr float ring_top = 1.67f, ring_r = 0.695f;
constexpr float lid_r = 0.685f, lid_top = 1.85f;
constexpr float lid_h = lid_top - ring_top;
constexpr float lid_sphere_r = (lid_r * lid_r + lid_h * lid_h) / (2 * lid_h);
constexpr Vec3 lid_c{jar_x, lid_top - lid_sphere_r, jar_z};
// Sunlight scattered and focused by the jar reaches the sill less dimmed
// than a straight path through the syrup would leave it.
constexpr float caustic = 0.4f;

constexpr float stretch = 1.08f;  // plums stand a little taller than wide
constexpr Vec3 stem_a{-0.76f, 0.52f, 0.38f}, stem_b{-0.70f, 0.66f, 0.44f};
constexpr float stem_r = 0.022f;
const Vec3 leaf_n = normalize({0.2f, 1, 0.5f});

}  // namespace

// Halves go against the glass with their cut faces out, as one packs a jar.
const std::array<Plum, plum_count> plums{{
    // In the jar, bottom layer.
    {{-0.30f, 0.30f, -0.18f}, 0.22f, rgb8(74, 22, 80), normalize({1, 0.1f, 0.3f}), normalize({-0.35f, 0, 1})},
    {{0.30f, 0.30f, -0.15f}, 0.22f, rgb8(84, 18, 66), normalize({0.8f, 0, -0.4f}), normalize({0.4f, 0.1f, 1})},
    {{0.02f, 0.30f, -0.80f}, 0.23f, rgb8(70, 20, 84), normalize({1, 0, 0.2f}), {0, 0, 0}},
    {{-0.38f, 0.30f, -0.70f}, 0.21f, rgb8(92, 22, 70), normalize({1, 0.2f, 0.6f}), {0, 0, 0}},
    {{0.40f, 0.30f, -0.72f}, 0.21f, rgb8(80, 24, 88), normalize({-0.8f, 0.1f, 0.7f}), {0, 0, 0}},
    // Middle layer.
    {{0.02f, 0.76f, -0.06f}, 0.22f, rgb8(90, 20, 72), normalize({1, 0, 0.3f}), normalize({0.05f, 0.15f, 1})},
    {{-0.40f, 0.74f, -0.50f}, 0.21f, rgb8(72, 20, 86), normalize({1, 0.3f, -0.3f}), normalize({-1, 0, 0.5f})},
    {{0.40f, 0.76f, -0.55f}, 0.21f, rgb8(96, 24, 80), normalize({0.9f, 0.2f, 0.3f}), {0, 0, 0}},
    // Top layer, under the syrup.
    {{-0.22f, 1.06f, -0.28f}, 0.16f, rgb8(80, 22, 84), normalize({1, 0, 0.1f}), {0, 0, 0}},
    // On the sill: two whole plums and a half with its stone, in front of the jar.
    {{-0.78f, 0.26f, 0.36f}, 0.24f, rgb8(78, 22, 92), normalize({1, 0.1f, 0.5f}), {0, 0, 0}},
    {{-0.36f, 0.22f, 0.62f}, 0.21f, rgb8(96, 22, 74), normalize({0.9f, 0.2f, -0.3f}), {0, 0, 0}},
    {{0.66f, 0.21f, 0.50f}, 0.22f, rgb8(88, 20, 80), normalize({1, 0, 0.4f}), normalize({0.1f, 1, 0.25f})},
    {{0.92f, 0.23f, 0.12f}, 0.22f, rgb8(72, 20, 86), normalize({0.6f, 0.2f, 0.8f}), {0, 0, 0}},
}};

const Vec3 leaf_o{-0.70f, 0.64f, 0.44f};
const Vec3 leaf_u = normalize(Vec3{-0.6f, -0.25f, 0.8f} - leaf_n * dot({-0.6f, -0.25f, 0.8f}, leaf_n));
const Vec3 leaf_v = cross(leaf_n, leaf_u);

float jar_axis_dist2(Vec3 p) { return (p.x - jar_x) * (p.x - jar_x) + (p.z - jar_z) * (p.z - jar_z); }

Mat window_at(float x, float y)
{
    if (y <= 0) return Mat::wall;
    const float arch = y < win_spring ? std::abs(x) - win_half : std::hypot(x, y - win_spring) - win_half;
    if (arch > 0) return Mat::wall;
    if (arch > -frame_w || std::abs(x) < bar_w / 2 || std::abs(y - win_spring) < bar_w / 2) return Mat::frame;
    return Mat::pane;
}

namespace {

void consider(Hit& h, float t, Vec3 n, Mat m, int id = 0)
{
    if (t > eps && t < h.t) h = {t, n, m, id};
}

void sphere_roots(const Ray& r, Vec3 c, float rad, float& t0, float& t1)
{
    const Vec3 oc = r.o - c;
    const float b = dot(oc, r.d), disc = b * b - dot(oc, oc) + rad * rad;
    if (disc < 0) { t0 = t1 = no_hit; return; }
    const float s = std::sqrt(disc);
    t0 = -b - s;
    t1 = -b + s;
}

// Roots of an upright cylinder of radius rad about (cx, cz); no_hit if none.
void cylinder_roots(const Ray& r, float cx, float cz, float rad, float& t0, float& t1)
{
    const float ox = r.o.x - cx, oz = r.o.z - cz;
    const float a = r.d.x * r.d.x + r.d.z * r.d.z, b = ox * r.d.x + oz * r.d.z;
    const float disc = b * b - a * (ox * ox + oz * oz - rad * rad);
    if (a < 1e-9f || disc < 0) { t0 = t1 = no_hit; return; }
    const float s = std::sqrt(disc);
    t0 = (-b - s) / a;
    t1 = (-b + s) / a;
}

// A horizontal disc of radius rad about the jar's axis at height y.
void hit_jar_disc(const Ray& r, float y, float rad, Mat m, Hit& h)
{
    if (r.d.y == 0) return;
    const float t = (y - r.o.y) / r.d.y;
    if (jar_axis_dist2(r.o + r.d * t) < rad * rad) consider(h, t, {0, 1, 0}, m);
}

void hit_plum(const Ray& r, int i, Hit& h)
{
    // Squash the ray so that the plum becomes a sphere; t stays a world distance.
    const Plum& p = plums[std::size_t(i)];
    const Vec3 s{1, 1 / stretch, 1}, o = (r.o - p.c) * s, d = r.d * s;
    const float a = dot(d, d), b = dot(o, d), disc = b * b - a * (dot(o, o) - p.r * p.r);
    if (disc < 0) return;
    float t0 = (-b - std::sqrt(disc)) / a, t1 = (-b + std::sqrt(disc)) / a;
    bool cut_face = false;
    if (dot(p.cut, p.cut) > 0) {
        // Keep the part behind the cut plane.
        const float dn = dot(r.d, p.cut), on = dot(r.o - p.c, p.cut);
        if (dn == 0) {
            if (on > 0) return;
        } else {
            const float tp = -on / dn;
            if (dn < 0) {
                if (tp > t0) t0 = tp, cut_face = true;
            } else {
                t1 = std::min(t1, tp);
            }
        }
        if (t0 > t1) return;
    }
    if (cut_face) {
        consider(h, t0, p.cut, Mat::flesh, i);
        return;
    }
    const Vec3 q = r.o + r.d * t0 - p.c;
    consider(h, t0, normalize(q * Vec3{1, 1 / (stretch * stretch), 1}), Mat::plum, i);
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
    const float dn = dot(r.d, leaf_n);
    if (dn == 0) return;
    const float t = dot(leaf_o - r.o, leaf_n) / dn;
    const Vec3 q = r.o + r.d * t - leaf_o;
    if (std::abs(dot(q, leaf_v)) < leaf_half_width(dot(q, leaf_u) / leaf_len)) consider(h, t, leaf_n, Mat::leaf);
}

void hit_sill(const Ray& r, Hit& h)
{
    // Top, front face and the rounded edge between them.
    if (r.d.y != 0) {
        const float t = -r.o.y / r.d.y;
        const Vec3 p = r.o + r.d * t;
        if (std::abs(p.x) < sill_half && p.z > wall_z && p.z < sill_front - sill_round) consider(h, t, {0, 1, 0}, Mat::sill);
    }
    if (r.d.z != 0) {
        const float t = (sill_front - r.o.z) / r.d.z;
        const Vec3 p = r.o + r.d * t;
        if (std::abs(p.x) < sill_half && p.y < -sill_round && p.y > -sill_thick) consider(h, t, {0, 0, 1}, Mat::sill);
    }
    // The edge: a quarter cylinder along x.
    const float oy = r.o.y + sill_round, oz = r.o.z - (sill_front - sill_round);
    const float a = r.d.y * r.d.y + r.d.z * r.d.z, b = oy * r.d.y + oz * r.d.z;
    const float disc = b * b - a * (oy * oy + oz * oz - sill_round * sill_round);
    if (a > 0 && disc >= 0) {
        const float t = (-b - std::sqrt(disc)) / a;
        const Vec3 p = r.o + r.d * t;
        const Vec3 n{0, (p.y + sill_round) / sill_round, (p.z - sill_front + sill_round) / sill_round};
        if (std::abs(p.x) < sill_half && n.y >= 0 && n.z >= 0) consider(h, t, n, Mat::sill);
    }
}

void hit_wall(const Ray& r, Hit& h)
{
    if (r.d.z >= 0) return;
    const float t = (wall_z - r.o.z) / r.d.z;
    const Vec3 p = r.o + r.d * t;
    consider(h, t, {0, 0, 1}, window_at(p.x, p.y));
}

void hit_jar(const Ray& r, Hit& h)
{
    float t0, t1;
    cylinder_roots(r, jar_x, jar_z, jar_r, t0, t1);
    for (float t : {t0, t1}) {
        const Vec3 p = r.o + r.d * t;
        if (t < no_hit && p.y > 0 && p.y < jar_rim)
            consider(h, t, normalize({p.x - jar_x, 0, p.z - jar_z}), Mat::jar);
    }
    hit_jar_disc(r, syrup_level, jar_r, Mat::syrup_top, h);
    hit_jar_disc(r, glass_floor, jar_r, Mat::glass_floor, h);
    // The seal: a band round the rim, its top hidden under the lid's edge.
    cylinder_roots(r, jar_x, jar_z, ring_r, t0, t1);
    const Vec3 p = r.o + r.d * t0;
    if (t0 < no_hit && p.y > jar_rim && p.y < ring_top) consider(h, t0, normalize({p.x - jar_x, 0, p.z - jar_z}), Mat::rubber);
    // The lid: a glass lens, flat below and domed above.
    sphere_roots(r, lid_c, lid_sphere_r, t0, t1);
    for (float t : {t0, t1}) {
        const Vec3 q = r.o + r.d * t;
        if (t < no_hit && q.y > ring_top) consider(h, t, normalize(q - lid_c), Mat::lid);
    }
    if (r.d.y != 0) {
        const float t = (ring_top - r.o.y) / r.d.y;
        const Vec3 q = r.o + r.d * t;
        const float d2 = jar_axis_dist2(q);
        if (d2 < lid_r * lid_r) consider(h, t, {0, -1, 0}, d2 > (jar_r - 0.05f) * (jar_r - 0.05f) ? Mat::rubber : Mat::lid);
    }
}

}  // namespace

Hit intersect(const Ray& r)
{
    Hit h;
    for (int i = 0; i < int(plums.size()); ++i) hit_plum(r, i, h);
    hit_stem(r, h);
    hit_leaf(r, h);
    hit_jar(r, h);
    hit_sill(r, h);
    hit_wall(r, h);
    return h;
}

Medium medium_at(Vec3 p)
{
    const float d2 = jar_axis_dist2(p);
    if (p.y > ring_top && p.y < lid_top && d2 < lid_r * lid_r && length(p - lid_c) < lid_sphere_r) return Medium::glass;
    if (d2 >= jar_r * jar_r || p.y <= 0 || p.y >= jar_rim) return Medium::air;
    return p.y < glass_floor ? Medium::glass : p.y < syrup_level ? Medium::syrup : Medium::air;
}

Vec3 sun_reaching(Vec3 p, Vec3 to_sun)
{
    const float tw = (wall_z - p.z) / to_sun.z;
    const Vec3 w = p + to_sun * tw;
    if (tw < 0 || window_at(w.x, w.y) != Mat::pane) return {0, 0, 0};
    const Ray r{p, to_sun};
    Hit h;
    for (int i = 0; i < int(plums.size()); ++i) hit_plum(r, i, h);
    hit_stem(r, h);
    hit_leaf(r, h);
    if (h.t < no_hit) return {0, 0, 0};
    Vec3 pass{1, 1, 1};
    float t0, t1;
    cylinder_roots(r, jar_x, jar_z, jar_r, t0, t1);
    if (t1 < no_hit && t1 > 0) {
        // The stretch of the ray inside the jar below the syrup's level (the
        // thick glass floor counts as syrup: it would light a hard seam otherwise).
        const float level = (syrup_level - p.y) / to_sun.y;
        const float a = std::max({t0, 0.0f, p.y > syrup_level ? level : 0.0f});
        const float b = p.y < syrup_level ? std::min(t1, level) : t1;
        const Vec3 a_len = syrup_absorb * (caustic * std::max(0.0f, b - a));
        pass = Vec3{std::exp(-a_len.x), std::exp(-a_len.y), std::exp(-a_len.z)} * 0.85f;
        const Vec3 top = p + to_sun * t1;
        if (top.y > jar_rim && top.y < ring_top) return {0, 0, 0};
    }
    return pass;
}

