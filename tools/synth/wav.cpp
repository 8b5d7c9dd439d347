#include "wav.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put16(std::vector<unsigned char> &b, std::uint32_t v)
{
    b.push_back(static_cast<unsigned char>(v & 0xff));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
}

void put32(std::vector<unsigned char> &b, std::uint32_t v)
{
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

void put_tag(std::vector<unsigned char> &b, const char *tag) { b.insert(b.end(), tag, tag + 4); }

std::uint32_t to_pcm(float v)
{
    const long q = std::lround(std::fmax(-1.0f, std::fmin(1.0f, v)) * 32767.0f);
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(q)));
}

}  // namespace

bool write_wav(const char *path, const Stereo &s)
{
    constexpr std::uint32_t channels = 2, bytes_per_sample = 2;
    const auto data_bytes = static_cast<std::uint32_t>(s.l.size() * channels * bytes_per_sample);
    std::vector<unsigned char> b;
    b.reserve(44 + data_bytes);
    put_tag(b, "RIFF");
    put32(b, 36 + data_bytes);
    put_tag(b, "WAVE");
    put_tag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);  // integer PCM
    put16(b, channels);
    put32(b, sample_rate);
    put32(b, sample_rate * channels * bytes_per_sample);
    put16(b, channels * bytes_per_sample);
    put16(b, 8 * bytes_per_sample);
    put_tag(b, "data");
    put32(b, data_bytes);
    for (std::size_t i = 0; i < s.l.size(); ++i) {
        put16(b, to_pcm(s.l[i]));
        put16(b, to_pcm(s.r[i]));
    }
    std::FILE *f = std::fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}
