#pragma once

#include <cstdint>
#include <vector>

// Writes RGBA bytes, rows top first, as a PNG. Returns false if it cannot.
bool write_rgba_png(const char* path, int width, int height, const std::vector<std::uint8_t>& rgba);
