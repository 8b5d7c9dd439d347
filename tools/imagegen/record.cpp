#include "record.h"

#include <cstdio>

namespace {

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(std::uint8_t(v >> shift));
}

}  // namespace

bool write_record(const char* path, std::uint32_t width, std::uint32_t height,
                  const std::vector<std::uint8_t>& rgb)
{
    constexpr std::uint32_t bytes_per_pixel = 3;
    std::vector<std::uint8_t> out;
    put_u32(out, width);
    put_u32(out, height);
    put_u32(out, bytes_per_pixel);
    out.insert(out.end(), rgb.begin(), rgb.end());
    out.push_back(0);
    while (out.size() % 4 != 0) out.push_back(0);

    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && written;
}
