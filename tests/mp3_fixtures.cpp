#include "mp3_fixtures.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

bool write_tone_mp3(const std::string &path, int sample_rate, int channels, bool id3)
{
    constexpr double seconds = 0.5;
    constexpr double frequency = 440;
    const int frames = static_cast<int>(sample_rate * seconds);
    std::vector<std::int16_t> samples;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * frequency * i / sample_rate)));

    const std::string raw = path + ".raw";
    std::FILE *file = std::fopen(raw.c_str(), "wb");
    if (!file)
        return false;
    std::fwrite(samples.data(), sizeof samples[0], samples.size(), file);
    std::fclose(file);

    char khz[16];
    std::snprintf(khz, sizeof khz, "%g", sample_rate / 1000.0);
    const std::string command = std::string("lame --quiet -r --signed --little-endian --bitwidth 16 -s ") + khz +
                                " --resample " + khz + (channels == 1 ? " -m m" : " -m s") +
                                (id3 ? " --id3v2-only --tt tone" : "") + " '" + raw + "' '" + path + "'";
    const bool encoded = std::system(command.c_str()) == 0;
    std::remove(raw.c_str());
    return encoded;
}

std::string read_bytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void write_bytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

namespace {

// The folders a test program made, removed with all they hold when it ends.
struct TempDirs {
    std::vector<std::string> made;

    ~TempDirs()
    {
        for (const std::string &dir : made) {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    }
};

TempDirs temp_dirs;

}  // namespace

std::string make_temp_dir()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/demo-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        std::abort();
    temp_dirs.made.push_back(pattern);
    return pattern;
}
