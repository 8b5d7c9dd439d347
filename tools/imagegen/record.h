#pragma once

#include <cstdint>
#include <vector>

// Writes the picture record the demo links in: width, height and bytes per
// pixel as little-endian u32, the RGB rows top first, a zero terminator and
// zero padding to a multiple of 4. Returns false if the file cannot be written.
bool write_record(const char* path, std::uint32_t width, std::uint32_t height,
                  const std::vector<std::uint8_t>& rgb);
