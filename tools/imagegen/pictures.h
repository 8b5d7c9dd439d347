#pragma once

#include <cstdint>
#include <vector>

constexpr int logo_width = 1187;
constexpr int logo_height = 628;
constexpr int icon_side = 256;
constexpr int pic_width = 800;
constexpr int pic_height = 1058;

// RGB bytes, rows top first.
std::vector<std::uint8_t> draw_logo();
// The logo's porthole alone for the desktop: RGBA bytes, icon_side square, rows top first.
std::vector<std::uint8_t> draw_icon();
// RGB bytes, rows top first; (0,0,0) marks empty pixels, nothing else is.
std::vector<std::uint8_t> trace_picture();
