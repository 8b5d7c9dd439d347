#pragma once

// Signed distances in the plane, in whatever unit the points are given:
// negative inside a shape, positive outside.
#include <algorithm>
#include <cmath>

struct P2 {
    float x, y;
};

inline float segment_dist(float px, float py, P2 a, P2 b)
{
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float t = std::clamp(((px - a.x) * dx + (py - a.y) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - a.x - t * dx, py - a.y - t * dy);
}

// A simple polygon of n vertices in either winding: the distance to its
// nearest edge, signed by an even-odd crossing count.
inline float polygon_dist(float px, float py, const P2* v, int n)
{
    float d = 1e30f;
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        d = std::min(d, segment_dist(px, py, v[j], v[i]));
        if ((v[i].y > py) != (v[j].y > py) && px < v[j].x + (py - v[j].y) * (v[i].x - v[j].x) / (v[i].y - v[j].y))
            inside = !inside;
    }
    return inside ? -d : d;
}

inline float circle_dist(float px, float py, float cx, float cy, float r) { return std::hypot(px - cx, py - cy) - r; }
