#include "options.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <sstream>

namespace capture {

namespace {

// Beyond these, x264's levels or the software rasterizer make no sense.
constexpr int min_side = 16;
constexpr int max_width = 7680;
constexpr int max_height = 4320;
constexpr long max_fps = 240;
// Keeps the clock's products of frame number, rate and milliseconds in range.
constexpr long max_rate_term = 1000000;
constexpr long max_start_ms = 60000;
constexpr long max_crf = 51;

struct NamedRate {
    const char *text;
    offline::Rate rate;
};

// The NTSC rates in the decimal spelling people use for them.
constexpr NamedRate ntsc_rates[] = {{"23.976", {24000, 1001}}, {"29.97", {30000, 1001}}, {"59.94", {60000, 1001}}};

constexpr const char *x264_presets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                        "medium",    "slow",      "slower",   "veryslow", "placebo"};

constexpr const char *flags[] = {"-h", "--help", "--version", "--no-audio", "--master"};
constexpr const char *valued[] = {"--size", "--fps",   "--start", "--from", "--duration", "--to",    "--frames",
                                  "--output", "-o",   "--music", "--raw",  "--png",      "--crf",   "--preset", "--jobs"};
constexpr const char *file_names[] = {"--output", "-o", "--music", "--raw"};

// Options that cannot go together: any of the first group with any of the second.
struct Conflict {
    const char *first;
    const char *second;
};
constexpr Conflict conflicts[] = {
    {"--png", "--raw --output --music --no-audio --master --crf --preset --from --duration --to --frames"},
    {"--raw", "--output --music --no-audio --master --crf --preset"},
    {"--duration", "--to --frames"},
    {"--to", "--frames"},
    {"--master", "--crf --preset"},
};

template <std::size_t N>
bool listed(const char *const (&list)[N], const std::string &name)
{
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

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

std::string parse_rate(const std::string &text, offline::Rate &rate)
{
    for (const NamedRate &named : ntsc_rates) {
        if (text == named.text) {
            rate = named.rate;
            return "";
        }
    }
    const std::size_t slash = text.find('/');
    long num = 0, den = 1;
    const bool read = slash == std::string::npos
                          ? to_long(text, num)
                          : to_long(text.substr(0, slash), num) && to_long(text.substr(slash + 1), den);
    if (!read)
        return "--fps wants N, N/D or 23.976, 29.97, 59.94, not '" + text + "'";
    if (num < den || den < 1 || num > max_rate_term || den > max_rate_term || num > max_fps * den)
        return "--fps " + text + " is out of range: 1 to " + std::to_string(max_fps);
    const long common = std::gcd(num, den);
    rate = {num / common, den / common};
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
    if (listed(file_names, name) && value.empty())
        return name + " wants a file name, not an empty one";
    if (name == "--size")
        return parse_size(value, options);
    if (name == "--fps")
        return parse_rate(value, options.fps);
    if (name == "--start") {
        if (!to_long(value, number) || number < 1 || number > max_start_ms)
            return "--start " + value + " is out of range: 1 to " + std::to_string(max_start_ms) + " ms";
        options.start = static_cast<Tick>(number);
    } else if (name == "--from") {
        if (!to_seconds(value, options.from))
            return "--from wants seconds, not '" + value + "'";
    } else if (name == "--duration" || name == "--to") {
        double &seconds = name == "--to" ? options.to : options.duration;
        if (!to_seconds(value, seconds) || seconds <= 0)
            return name + " wants seconds above 0, not '" + value + "'";
    } else if (name == "--frames") {
        if (!to_long(value, options.frames) || options.frames < 1)
            return "--frames wants a count above 0, not '" + value + "'";
    } else if (name == "--crf") {
        if (!to_long(value, number) || number < 0 || number > max_crf)
            return "--crf " + value + " is out of range: 0 to " + std::to_string(max_crf);
        options.crf = static_cast<int>(number);
    } else if (name == "--preset") {
        if (!listed(x264_presets, value))
            return "--preset " + value + " is not one of x264's: ultrafast, superfast, veryfast, faster, fast, "
                                         "medium, slow, slower, veryslow, placebo";
        options.preset = value;
    } else if (name == "--jobs") {
        if (!to_long(value, number) || number < 1 || number > max_jobs)
            return "--jobs " + value + " is out of range: 1 to " + std::to_string(max_jobs);
        options.jobs = static_cast<int>(number);
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

void set_flag(const std::string &name, Options &options)
{
    options.help |= name == "-h" || name == "--help";
    options.version |= name == "--version";
    options.no_audio |= name == "--no-audio";
    options.master |= name == "--master";
}

// The first pair of options given together that cannot be, as a message.
std::string conflict(const std::vector<std::string> &given)
{
    auto was_given = [&](const std::string &name) {
        return std::find(given.begin(), given.end(), name) != given.end();
    };
    for (const Conflict &rule : conflicts) {
        std::istringstream firsts(rule.first);
        for (std::string first; firsts >> first;) {
            std::istringstream seconds(rule.second);
            for (std::string second; seconds >> second;)
                if (was_given(first) && was_given(second))
                    return first + " and " + second + " cannot be combined";
        }
    }
    return "";
}

}  // namespace

const char *usage()
{
    return "usage: capture [options]\n"
           "Plays the demo on a fixed-step clock and encodes every frame with its music\n"
           "to an H.264 mp4 through ffmpeg. Times are seconds of the video; 0 is the first frame.\n"
           "  --size WxH         frame size (1920x1080)\n"
           "  --fps RATE         frames per second: N, N/D, or 23.976, 29.97, 59.94 for\n"
           "                     24000/1001, 30000/1001, 60000/1001 (60)\n"
           "  --start MS         start-up time before the first frame, in ms (500)\n"
           "  --from SECONDS     keep frames from here on; earlier ones are stepped through\n"
           "                     without drawing, in moments (0)\n"
           "  --to SECONDS       keep frames up to here (the end of the demo)\n"
           "  --duration SECONDS keep this much (to the end)\n"
           "  --frames N         keep this many frames (to the end)\n"
           "  -o, --output FILE  the video (plums-under-glass.mp4, or .mkv with --master);\n"
           "                     it is replaced only once the new one is complete\n"
           "  --music FILE       the soundtrack (data/tapestrybeats.mp3 beside this program)\n"
           "  --no-audio         a video without sound\n"
           "  --crf N            x264's quality, 0 (lossless) to 51 (18)\n"
           "  --preset NAME      x264's speed against size, ultrafast to placebo (veryfast)\n"
           "  --master           a lossless master to re-encode from: FFV1 video in RGB\n"
           "                     and FLAC audio in Matroska\n"
           "  --png SECONDS:FILE write the frame at that time as a PNG instead of a video;\n"
           "                     repeat for more\n"
           "  --raw FILE         write the kept frames as raw rgb24 instead of a video\n"
           "  --jobs N           workers, each drawing and encoding a stretch of the video,\n"
           "                     joined without re-encoding (one per core); 1 for a single\n"
           "                     process\n"
           "  --version          the capture's version\n"
           "  -h, --help         this text\n"
           "Exit status: 0 done, 1 could not run, 2 bad arguments, 130 interrupted\n"
           "(what was done by then is kept as a playable video; when the encoder needs\n"
           "more than a second to finish it, it does so after the capture has ended).\n";
}

std::string parse_options(int argc, char **argv, Options &options)
{
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        const std::size_t equals = name.find('=');
        const bool inline_value = name.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (inline_value) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        given.push_back(name == "-o" ? "--output" : name);
        if (listed(flags, name)) {
            if (inline_value)
                return name + " takes no value";
            set_flag(name, options);
            continue;
        }
        if (!listed(valued, name))
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
    if (options.output.empty())
        options.output = options.master ? "plums-under-glass.mkv" : "plums-under-glass.mp4";
    return conflict(given);
}

std::string kept_frames(const Options &options, long total, long &first, long &end)
{
    char length[32];
    std::snprintf(length, sizeof length, "%.2f s", offline::frame_seconds(total, options.fps));
    if (!options.shots.empty()) {
        first = total;
        end = 0;
        for (const Shot &shot : options.shots) {
            const long n = offline::frame_at(shot.seconds, options.fps);
            if (n >= total)
                return "--png " + shot.path + " is after the end of the demo (" + length + ")";
            first = std::min(first, n);
            end = std::max(end, n + 1);
        }
        return "";
    }
    first = offline::frame_at(options.from, options.fps);
    if (first >= total)
        return "--from lies after the end of the demo (" + std::string(length) + ")";
    end = total;
    if (options.duration > 0)
        end = first + std::max(1L, offline::frame_at(options.duration, options.fps));
    if (options.to > 0)
        end = offline::frame_at(options.to, options.fps);
    if (options.frames > 0)
        end = first + std::min(options.frames, total);
    if (end <= first)
        return "--to lies at or before --from: no frame would be kept";
    end = std::min(total, end);
    return "";
}

}  // namespace capture
