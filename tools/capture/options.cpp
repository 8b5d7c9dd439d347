#include "options.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "timeline.h"

namespace capture {

namespace {

// Beyond these, x264's levels or the software rasterizer make no sense.
constexpr int min_side = 16;
constexpr int max_width = 7680;
constexpr int max_height = 4320;
constexpr int max_fps = 240;
constexpr long max_start_ms = 60000;

bool to_long(const std::string &text, long &value)
{
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && errno == 0;
}

bool to_seconds(const std::string &text, double &value)
{
    char *end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && errno == 0 && value >= 0 && value < 1e6;
}

std::string parse_size(const std::string &text, Options &options)
{
    const std::size_t x = text.find('x');
    long width = 0, height = 0;
    if (x == std::string::npos || !to_long(text.substr(0, x), width) || !to_long(text.substr(x + 1), height))
        return "--size wants WIDTHxHEIGHT, such as 1280x720, not '" + text + "'";
    if (width < min_side || width > max_width || height < min_side || height > max_height)
        return "--size " + text + " is out of range: " + std::to_string(min_side) + "x" + std::to_string(min_side) +
               " to " + std::to_string(max_width) + "x" + std::to_string(max_height);
    // The video is 4:2:0, which halves both sides of the colour planes.
    if (width % 2 || height % 2)
        return "--size " + text + ": both sides must be even";
    options.width = static_cast<int>(width);
    options.height = static_cast<int>(height);
    return "";
}

std::string parse_shot(const std::string &text, Options &options)
{
    const std::size_t colon = text.find(':');
    Shot shot;
    if (colon == std::string::npos || !to_seconds(text.substr(0, colon), shot.seconds) || colon + 1 == text.size())
        return "--png wants SECONDS:FILE.png, such as 12.5:shot.png, not '" + text + "'";
    shot.path = text.substr(colon + 1);
    options.shots.push_back(shot);
    return "";
}

std::string parse_value(const std::string &name, const std::string &value, Options &options)
{
    long number = 0;
    if (name == "--size")
        return parse_size(value, options);
    if (name == "--fps") {
        if (!to_long(value, number) || number < 1 || number > max_fps)
            return "--fps " + value + " is out of range: 1 to " + std::to_string(max_fps);
        options.fps = static_cast<int>(number);
    } else if (name == "--start") {
        if (!to_long(value, number) || number < 1 || number > max_start_ms)
            return "--start " + value + " is out of range: 1 to " + std::to_string(max_start_ms) + " ms";
        options.start = static_cast<Tick>(number);
    } else if (name == "--from") {
        if (!to_seconds(value, options.from))
            return "--from wants seconds, not '" + value + "'";
    } else if (name == "--duration") {
        if (!to_seconds(value, options.duration) || options.duration <= 0)
            return "--duration wants seconds above 0, not '" + value + "'";
    } else if (name == "--output" || name == "-o") {
        options.output = value;
    } else if (name == "--music") {
        options.music = value;
    } else if (name == "--raw") {
        options.raw = value;
    } else if (name == "--png") {
        return parse_shot(value, options);
    }
    return "";
}

constexpr const char *valued[] = {"--size", "--fps",   "--start", "--from", "--duration",
                                  "--output", "-o", "--music", "--raw",   "--png"};

}  // namespace

const char *usage()
{
    return "usage: capture [options]\n"
           "Plays the demo on a fixed-step clock and encodes every frame with its music\n"
           "to an H.264 mp4 through ffmpeg. Times are seconds of the video; 0 is the first frame.\n"
           "  --size WxH         frame size (1920x1080)\n"
           "  --fps N            frames per second (60)\n"
           "  --start MS         start-up time before the first frame, in ms (500)\n"
           "  --from SECONDS     keep frames from here on; earlier ones are still drawn (0)\n"
           "  --duration SECONDS keep this much (to the end)\n"
           "  -o, --output FILE  the video (plums-under-glass.mp4)\n"
           "  --music FILE       the soundtrack (data/tapestrybeats.mp3 beside this program)\n"
           "  --png SECONDS:FILE write the frame at that time as a PNG instead of a video;\n"
           "                     repeat for more\n"
           "  --raw FILE         write the kept frames as raw rgb24 instead of a video\n"
           "  -h, --help         this text\n"
           "Exit status: 0 done, 1 could not run, 2 bad arguments, 130 interrupted\n"
           "(what was done by then is kept as a playable video).\n";
}

std::string parse_options(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "-h" || name == "--help") {
            options.help = true;
            continue;
        }
        std::string value;
        const std::size_t equals = name.find('=');
        const bool inline_value = name.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (inline_value) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        if (std::find(std::begin(valued), std::end(valued), name) == std::end(valued))
            return "unknown option '" + name + "'";
        if (!inline_value) {
            if (i + 1 == argc)
                return name + " needs a value";
            value = argv[++i];
        }
        const std::string error = parse_value(name, value, options);
        if (!error.empty())
            return error;
    }
    if (!options.shots.empty() && !options.raw.empty())
        return "--png and --raw cannot be combined";
    return "";
}

std::string kept_frames(const Options &options, long total, long &first, long &end)
{
    char length[32];
    std::snprintf(length, sizeof length, "%.2f s", static_cast<double>(total) / options.fps);
    if (!options.shots.empty()) {
        first = total;
        end = 0;
        for (const Shot &shot : options.shots) {
            const long n = frame_at(shot.seconds, options.fps);
            if (n >= total)
                return "--png " + shot.path + " is after the end of the demo (" + length + ")";
            first = std::min(first, n);
            end = std::max(end, n + 1);
        }
        return "";
    }
    first = frame_at(options.from, options.fps);
    if (first >= total)
        return "--from lies after the end of the demo (" + std::string(length) + ")";
    end = total;
    if (options.duration > 0)
        end = std::min(total, first + std::max(1L, frame_at(options.duration, options.fps)));
    return "";
}

}  // namespace capture
