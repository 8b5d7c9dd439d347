#include "offline.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <GL/gl.h>
#include <SDL.h>
#include <png.h>

#include "view.h"

namespace offline {

namespace {

Tick virtual_now;
Frame grabbed;
long presented;

}  // namespace

void read_back(Frame &frame)
{
    const int width = frame.width;
    const int height = frame.height;
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    frame.rgb.resize(row * height);
    std::vector<std::uint8_t> bottom_up(frame.rgb.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    for (int y = 0; y < height; ++y)
        std::copy_n(&bottom_up[(height - 1 - y) * row], row, &frame.rgb[y * row]);
}

void present()
{
    read_back(grabbed);
    ++presented;
    SDL_GL_SwapBuffers();
}

bool open_window(int width, int height)
{
    // With no display SDL would end at its offscreen driver anyway; asked for
    // it at once, it skips probing for Wayland, whose library prints an alarming
    // "XDG_RUNTIME_DIR is invalid or not set" on headless machines.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_Init(SDL_INIT_VIDEO) != 0)
        return false;
    if (!SDL_SetVideoMode(width, height, 0, SDL_OPENGL))
        return false;
    grabbed.width = width;
    grabbed.height = height;
    grabbed.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
    setup_view(width, height);
    platform_install(time, present);
    return true;
}

void set_time(Tick now) { virtual_now = now; }

void advance_time(Tick milliseconds) { virtual_now += milliseconds; }

Tick time() { return virtual_now; }

const Frame &last_frame() { return grabbed; }

long presented_frames() { return presented; }

bool write_png(const Frame &frame, const char *path)
{
    std::FILE *file = std::fopen(path, "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, frame.width, frame.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < frame.height; ++y)
        png_write_row(png, frame.pixel(0, y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

std::string beside_program(const char *name)
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return name;
    const std::string path(self, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + name;
}

}  // namespace offline
