// The picture: a jar of plums put up in syrup, on a windowsill in the
// morning sun, ray traced. The window is an arch in a white wall, and the
// wall is the demo's white screen: its pixels stay (0,0,0) and are never
// drawn. Only the window, the sill and what stands on it are.
#include "jar_scene.h"
#include "noise.h"
#include "pictures.h"

namespace {

// Light scattered inside the syrup towards the eye, where it is thick.
constexpr Vec3 syrup_glow{0.34f, 0.025f, 0.07f};

// To the sun, high behind the window on the left; the room's light from the front.
const Vec3 sun_dir = normalize({-0.42f, 0.8f, -0.62f});
constexpr Vec3 sun_colour{1.1f, 1.0f, 0.84f};
const Vec3 fill_dir = normalize({0.3f, 0.55f, 1});
constexpr Vec3 fill_colour{0.6f, 0.58f, 0.6f};

// The country outside, seen through the panes: morning sky, a glow round the
// sun, far hills in haze and a green slope below them.
Vec3 outside(Vec3 d)
{
    const float e = d.y, az = std::atan2(d.x, -d.z);
    const float sun = std::max(0.0f, dot(d, sun_dir));
    Vec3 c = mix(rgb8(238, 238, 226), rgb8(168, 204, 246), smoothstep(0.0f, 0.5f, e));
    c = c + rgb8(255, 230, 170) * (0.35f * std::pow(sun, 8.0f));
    // Soft clouds: stretched noise above the hills.
    const float cloud = smoothstep(0.55f, 0.8f, noise({az * 6, e * 22, 0.5f}) * 0.7f + noise({az * 15, e * 50, 2}) * 0.3f);
    c = mix(c, rgb8(250, 250, 246), cloud * smoothstep(0.05f, 0.15f, e) * 0.8f);
    const float far = 0.05f + 0.018f * std::sin(az * 7 + 1.3f) + 0.01f * std::sin(az * 17 + 0.4f);
    if (e < far) c = mix(rgb8(150, 186, 176), rgb8(176, 204, 196), smoothstep(far - 0.04f, far, e));
    const float near = 0.012f + 0.022f * std::sin(az * 4.5f - 0.8f) + 0.008f * std::sin(az * 13);
    if (e < near) {
        // Meadow in the sun, deeper green towards the foot of the window.
        c = mix(rgb8(120, 204, 70), rgb8(50, 140, 40), smoothstep(near - 0.02f, -0.2f, e));
        c = c * (0.9f + 0.2f * noise({az * 12, e * 30, 4}));
    }
    return c;
}

// The room behind the viewer, which the glass and the fruit mirror: warm
// walls, a brighter ceiling and a window of its own to the right, whose
// light falls off smoothly so that it makes soft, round highlights.
Vec3 room(Vec3 d)
{
    Vec3 c = mix(rgb8(120, 110, 100), rgb8(220, 214, 204), smoothstep(-0.4f, 0.8f, d.y));
    const float w = dot(d, normalize({0.55f, 0.35f, 1}));
    return c + Vec3{1, 1, 1} * (4.0f * smoothstep(0.9f, 0.99f, w) + 0.3f * smoothstep(0.5f, 1.0f, w));
}

Vec3 reflect(Vec3 d, Vec3 n) { return d - n * (2 * dot(d, n)); }

struct Surface {
    Vec3 albedo;
    float gloss;    // strength of the sharp highlight and the mirror image
    float ambient;  // occlusion factor of the room's light
};

Vec3 light(Vec3 p, Vec3 n, Vec3 d, const Surface& s, Vec3 to_sun)
{
    const Vec3 sun = sun_reaching(p + n * 2e-3f, to_sun) * std::max(0.0f, dot(n, to_sun));
    const float fill = std::max(0.0f, dot(n, fill_dir)) * s.ambient;
    // Skylight from the window behind, and a little from everywhere.
    const float back = (0.3f * std::max(0.0f, dot(n, normalize({0, 0.4f, -1}))) + 0.18f) * s.ambient;
    Vec3 c = s.albedo * (sun * sun_colour + fill_colour * fill + Vec3{0.75f, 0.82f, 0.9f} * back);
    const Vec3 half = normalize(to_sun - d);
    c = c + sun * sun_colour * (s.gloss * std::pow(std::max(0.0f, dot(n, half)), 60.0f));
    const float facing = 1 - std::abs(dot(n, d));
    return c + room(reflect(d, n)) * (s.gloss * (0.05f + 0.5f * std::pow(facing, 5.0f)) * s.ambient);
}

// Soft darkening where the fruit crowds a point: fake ambient occlusion.
float crowding(Vec3 p, int skip)
{
    float ao = 1;
    for (int i = 0; i < int(plums.size()); ++i) {
        if (i == skip) continue;
        const Plum& q = plums[std::size_t(i)];
        ao *= 0.55f + 0.45f * smoothstep(0, 0.8f * q.r, length(p - q.c) - q.r);
    }
    return ao;
}

Vec3 shade_plum(Vec3 p, Vec3 n, Vec3 d, int i, Vec3 to_sun)
{
    const Plum& q = plums[std::size_t(i)];
    const float crease = std::exp(-std::pow(dot(p - q.c, q.seam) / (0.1f * q.r), 2.0f));
    const Vec3 skin = q.skin * ((0.8f + 0.4f * noise(p * 14)) * (1 - 0.35f * crease));
    // Fruit in the syrup has lost its bloom; fresh fruit keeps a dusty blue one.
    const float bloom = i < jar_plums ? 0 : 0.1f + 0.3f * smoothstep(0.45f, 0.8f, noise(p * 20 + Vec3{3, 1, 7}));
    const Vec3 c = light(p, n, d, {skin, 0.8f * (1 - bloom), crowding(p, i)}, to_sun);
    const float facing = 1 - std::abs(dot(n, d));
    return mix(c, rgb8(150, 150, 190) * 0.8f, bloom * (0.3f + 0.7f * facing * facing));
}

// The cut face of a half: golden flesh reddening towards the skin, and the
// hollow the stone left, or the stone itself in a fresh one.
Vec3 shade_flesh(Vec3 p, Vec3 n, Vec3 d, int i, Vec3 to_sun)
{
    const Plum& q = plums[std::size_t(i)];
    const Vec3 off = p - q.c;
    const float rr = length(off - q.cut * dot(off, q.cut)) / q.r;  // 0 at the centre, 1 at the skin
    Vec3 albedo = mix(rgb8(250, 196, 60), rgb8(236, 120, 40), smoothstep(0.5f, 0.9f, rr));
    albedo = mix(albedo, rgb8(120, 20, 60), smoothstep(0.9f, 0.97f, rr));
    const float stone = smoothstep(0.42f, 0.36f, length(Vec3{off.x, off.y / 1.3f, off.z} - q.cut * dot(off, q.cut)) / q.r);
    albedo = mix(albedo, i < jar_plums ? rgb8(200, 110, 40) : rgb8(140, 84, 50), stone);
    return light(p, n, d, {albedo * (0.9f + 0.15f * noise(p * 60)), 0.5f, crowding(p, i)}, to_sun);
}

Vec3 shade_sill(Vec3 p, Vec3 n, Vec3 d, Vec3 to_sun)
{
    // Honey-coloured boards, the grain along the sill; darker where the jar and fruit stand close.
    const float grain = noise({p.x * 1.2f, p.y * 22, p.z * 22}) * 0.7f + noise(p * Vec3{4, 60, 60}) * 0.3f;
    const Vec3 albedo = mix(rgb8(228, 190, 140), rgb8(210, 166, 116), smoothstep(0.3f, 0.8f, grain));
    const float jar_gap = std::sqrt(jar_axis_dist2(p)) - jar_r;
    const float ao = crowding(p, -1) * (0.55f + 0.45f * smoothstep(0, 0.35f, jar_gap));
    return light(p, n, d, {albedo, 0.25f, ao}, to_sun);
}

Vec3 shade_leaf(Vec3 p, Vec3 n, Vec3 d, Vec3 to_sun)
{
    const Vec3 q = p - leaf_o;
    const float a = dot(q, leaf_u) / leaf_len, b = std::abs(dot(q, leaf_v)) / leaf_w;
    const float vein = std::max(1 - smoothstep(0.02f, 0.06f, b), 0.6f * smoothstep(0.85f, 1.0f, std::sin((a * 9 - b * 2.2f) * 6.2832f)));
    const Vec3 albedo = mix(rgb8(50, 130, 30), rgb8(150, 200, 80), vein);
    // Lit from the side the eye cannot see, the blade glows with the sun through it.
    const bool backlit = dot(n, d) * dot(n, to_sun) > 0;
    const Vec3 through = backlit ? sun_reaching(p + to_sun * 2e-3f, to_sun) * 0.6f : Vec3{0, 0, 0};
    return light(p, dot(n, d) > 0 ? n * -1 : n, d, {albedo, 0.35f, 1}, to_sun) + rgb8(120, 200, 40) * through;
}

// Fresnel reflectance for light passing from index n1 to n2 (Schlick).
float fresnel(float cos_i, float n1, float n2)
{
    const float r0 = (n1 - n2) / (n1 + n2);
    return r0 * r0 + (1 - r0 * r0) * std::pow(1 - cos_i, 5.0f);
}

// The jar's wall is thick glass: seen slantwise, more of it tints the light.
Vec3 glass_tint(float cos_i)
{
    const float path = 0.05f / std::max(cos_i, 0.06f);
    return {std::exp(-1.4f * path), std::exp(-0.6f * path), std::exp(-0.8f * path)};
}

Vec3 trace(const Ray& r, int depth, Medium m, Vec3 to_sun);

// At a boundary between media, at p on the ray r through medium m: part
// reflects, the rest refracts into the medium beyond.
Vec3 cross_boundary(const Ray& r, const Hit& h, Vec3 p, int depth, Medium m, Vec3 to_sun)
{
    const Medium beyond = medium_at(p + r.d * (2 * eps));
    const Vec3 n = dot(r.d, h.n) < 0 ? h.n : h.n * -1;
    const float cos_i = -dot(r.d, n);
    const Vec3 refl_dir = reflect(r.d, n);
    if (depth == 0) return room(refl_dir);
    // Only the first bounces trace their mirror images; deeper ones see the room.
    const auto reflected = [&] { return depth > 4 ? trace({p + refl_dir * eps, refl_dir}, 2, m, to_sun) : room(refl_dir); };
    if (beyond == m) {
        // A thin glass wall between air and air: some light bounces, the rest goes straight on.
        const float f = fresnel(cos_i, 1, 1.5f), part = 2 * f / (1 + f);
        return reflected() * part + trace({p + r.d * eps, r.d}, depth - 1, beyond, to_sun) * glass_tint(cos_i) * (1 - part);
    }
    const float eta = ior(m) / ior(beyond);
    const float k = 1 - eta * eta * (1 - cos_i * cos_i);
    if (k < 0) return trace({p + refl_dir * eps, refl_dir}, depth - 1, m, to_sun);  // total internal reflection
    const Vec3 bent = normalize(r.d * eta + n * (eta * cos_i - std::sqrt(k)));
    const float f = fresnel(cos_i, ior(m), ior(beyond));
    const Vec3 tint = h.mat == Mat::jar ? glass_tint(cos_i) : Vec3{1, 1, 1};
    return reflected() * f + trace({p + bent * eps, bent}, depth - 1, beyond, to_sun) * tint * (1 - f);
}

// Colour seen along r, which runs through medium m, with depth more
// boundaries to cross. A ray that ends on the wall sees white.
Vec3 trace(const Ray& r, int depth, Medium m, Vec3 to_sun)
{
    const Hit h = intersect(r);
    if (h.mat == Mat::none) return room(r.d);
    Vec3 seen;
    const Vec3 p = r.o + r.d * h.t;
    switch (h.mat) {
    case Mat::wall: seen = Vec3{0.97f, 0.97f, 0.97f}; break;
    case Mat::frame: {
        // White paint in the room's light; the moulding along each pane's
        // lower left edge turns from the light.
        const float edge = window_at(p.x + 0.02f, p.y + 0.02f) == Mat::pane ? 0.9f : 1;
        seen = rgb8(234, 232, 226) * edge;
        break;
    }
    case Mat::pane: {
        // Old glass: mostly the country outside, a little of the room.
        const float f = fresnel(std::abs(r.d.z), 1, 1.5f);
        seen = outside(r.d) * (1 - f) + room(reflect(r.d, h.n)) * f;
        break;
    }
    case Mat::sill: seen = shade_sill(p, h.n, r.d, to_sun); break;
    case Mat::plum: seen = shade_plum(p, h.n, r.d, h.id, to_sun); break;
    case Mat::flesh: seen = shade_flesh(p, h.n, r.d, h.id, to_sun); break;
    case Mat::leaf: seen = shade_leaf(p, h.n, r.d, to_sun); break;
    case Mat::stem: seen = light(p, h.n, r.d, {rgb8(110, 80, 44), 0.2f, 1}, to_sun); break;
    case Mat::rubber: seen = light(p, h.n, r.d, {rgb8(255, 130, 30), 0.5f, 1.6f}, to_sun); break;
    default: seen = cross_boundary(r, h, p, depth, m, to_sun); break;
    }
    if (m == Medium::syrup) {
        // What the syrup drinks on the way, and the sun it scatters towards the eye.
        const Vec3 a = syrup_absorb * h.t;
        const Vec3 pass{std::exp(-a.x), std::exp(-a.y), std::exp(-a.z)};
        seen = seen * pass + syrup_glow * (1 - (pass.x + pass.y + pass.z) / 3);
    }
    return seen;
}

}  // namespace

std::vector<std::uint8_t> trace_picture()
{
    constexpr Vec3 eye{0.15f, 1.75f, 6.2f}, target{0, 1.19f, -0.6f};
    constexpr float half_height = 0.39f;  // tan of half the vertical field of view
    constexpr int grid = 2;               // samples per pixel along each side
    constexpr int bounces = 9;            // through the lid or both sides of the jar and its syrup
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
                // Each sample sees the sun from a slightly different spot: soft shadows.
                const Vec3 to_sun = normalize(sun_dir + Vec3{(sx - 0.5f) * 0.1f, 0, (sy - 0.5f) * 0.1f});
                touched = touched || intersect(r).mat != Mat::wall;
                sum = sum + trace(r, bounces, Medium::air, to_sun);
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
