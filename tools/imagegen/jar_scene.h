#pragma once

// The picture's scene, as shapes to shoot rays at: a jar of plums put up in
// syrup, standing on a windowsill with fresh fruit before an arched window in
// a white wall. World units of about 10 cm; y up from the sill, the viewer
// on +z.
#include "vec.h"

#include <array>

constexpr float no_hit = 1e30f;
constexpr float eps = 1e-3f;  // how far a new ray starts off the surface it leaves

struct Ray {
    Vec3 o, d;  // d is unit length
};

enum class Mat { none, wall, pane, frame, sill, jar, syrup_top, glass_floor, lid, rubber, plum, flesh, leaf, stem };

struct Hit {
    float t = no_hit;
    Vec3 n{0, 1, 0};  // outward
    Mat mat = Mat::none;
    int id = 0;  // which plum
};

// What fills the jar: glass under the syrup and in the lid, syrup up to its
// level, air above it and all round.
enum class Medium { air, syrup, glass };
constexpr float ior(Medium m) { return m == Medium::air ? 1.0f : m == Medium::syrup ? 1.42f : 1.5f; }
// Syrup drinks green and blue: deep ruby where thick, pink at the edges.
constexpr Vec3 syrup_absorb{0.35f, 2.4f, 1.8f};  // per unit of path

constexpr float wall_z = -1.4f;
constexpr float jar_x = 0.0f, jar_z = -0.45f, jar_r = 0.66f;

struct Plum {
    Vec3 c;
    float r;
    Vec3 skin;
    Vec3 seam;  // normal of the plane of the crease
    Vec3 cut;   // a halved plum keeps the side against this normal; zero when whole
};
constexpr int plum_count = 13;
extern const std::array<Plum, plum_count> plums;
constexpr int jar_plums = 9;  // the first ones stand in the syrup

// The leaf on the fresh plum at the front left: its stalk end, the unit
// vectors along and across the blade, and its size.
extern const Vec3 leaf_o, leaf_u, leaf_v;
constexpr float leaf_len = 0.62f, leaf_w = 0.16f;

Hit intersect(const Ray& r);
Medium medium_at(Vec3 p);
// Where a point of the wall's plane lies: on the wall, the window's frame and
// bars, or a pane.
Mat window_at(float x, float y);
// Squared distance from the jar's axis.
float jar_axis_dist2(Vec3 p);

// How much sunlight from direction to_sun reaches p: only through a pane,
// then dimmed and tinted by the jar's glass and syrup; fruit, stem and leaf
// and the seal stop it.
Vec3 sun_reaching(Vec3 p, Vec3 to_sun);
