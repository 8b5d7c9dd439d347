// Build-time generator of the demo's two pictures, `imagegen logo|pic OUT`,
// and of the release's desktop icon, `imagegen icon OUT.png`.
#include "pictures.h"
#include "png_file.h"
#include "record.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "icon") == 0) {
        if (write_rgba_png(argv[2], icon_side, icon_side, draw_icon())) return 0;
        std::fprintf(stderr, "imagegen: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc != 3 || (std::strcmp(argv[1], "logo") != 0 && std::strcmp(argv[1], "pic") != 0)) {
        std::fprintf(stderr, "usage: imagegen logo|pic|icon OUT\n");
        return 2;
    }
    const bool logo = std::strcmp(argv[1], "logo") == 0;
    const std::vector<std::uint8_t> rgb = logo ? draw_logo() : trace_picture();
    const int w = logo ? logo_width : pic_width, h = logo ? logo_height : pic_height;
    if (!write_record(argv[2], std::uint32_t(w), std::uint32_t(h), rgb)) {
        std::fprintf(stderr, "imagegen: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
