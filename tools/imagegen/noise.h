#pragma once

// Deterministic randomness for textures: the same picture on every build.
#include "vec.h"

// A number in 0..1 for each lattice point.
inline float hash(int x, int y, int z)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(z) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float(h ^ (h >> 16)) / 4294967295.0f;
}

// Smooth value noise in 0..1.
inline float noise(Vec3 p)
{
    const int ix = int(std::floor(p.x)), iy = int(std::floor(p.y)), iz = int(std::floor(p.z));
    const float fx = smoothstep(0, 1, p.x - ix), fy = smoothstep(0, 1, p.y - iy), fz = smoothstep(0, 1, p.z - iz);
    const auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    const auto row = [&](int y, int z) { return lerp(hash(ix, y, z), hash(ix + 1, y, z), fx); };
    return lerp(lerp(row(iy, iz), row(iy + 1, iz), fy), lerp(row(iy, iz + 1), row(iy + 1, iz + 1), fy), fz);
}
