#include "png_file.h"

#include <cstdio>

#include <png.h>

bool write_rgba_png(const char* path, int width, int height, const std::vector<std::uint8_t>& rgba)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGBA;
    const bool written = png_image_write_to_stdio(&image, file, 0, rgba.data(), 0, nullptr) != 0;
    return std::fclose(file) == 0 && written;
}
