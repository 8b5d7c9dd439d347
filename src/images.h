#pragma once

#include <cstddef>
#include <cstdint>

// The two pictures compiled into the program. Each record is raw bytes:
// width, height and bytes per pixel as little-endian u32 at offsets 0, 4, 8;
// then RGB pixels row by row from the top row; then a zero byte and zero
// padding to a multiple of 4. The scenes know their picture's size and read
// pixels from image_pixels_offset on.
constexpr std::size_t image_pixels_offset = 12;

extern "C" const std::uint8_t logo_image[];  // 1187 x 628, drawn by the logo scene
extern "C" const std::uint8_t pic_image[];   // 800 x 1058, drawn by the picture reveal
