// Renders the soundtrack to a WAV file; the build encodes it to mp3. Given a folder, it also writes
// each stem alone there, through the same gain as the mix, limiter included, so that the stems add
// up to the mix and a stem's level can be held against the mix's. With --advance N, whatever it
// writes starts N samples into the song.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "master.h"
#include "song.h"
#include "wav.h"

namespace {

constexpr float target_lufs = -14.0f;
constexpr float ceiling_db = -3.0f;  // room for the peaks between samples and those mp3 encoding adds

bool write(const std::string &path, Stereo s, std::size_t advance)
{
    const std::size_t drop = std::min(advance, s.l.size());
    s.l.erase(s.l.begin(), s.l.begin() + static_cast<std::ptrdiff_t>(drop));
    s.r.erase(s.r.begin(), s.r.begin() + static_cast<std::ptrdiff_t>(drop));
    if (write_wav(path.c_str(), s))
        return true;
    std::fprintf(stderr, "synth: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char **argv)
{
    std::size_t advance = 0;
    if (argc > 2 && std::strcmp(argv[1], "--advance") == 0) {
        char *end = nullptr;
        advance = std::strtoul(argv[2], &end, 10);
        if (*end || !*argv[2]) {
            std::fprintf(stderr, "synth: --advance wants a count of samples, not '%s'\n", argv[2]);
            return 1;
        }
        argc -= 2;
        argv += 2;
    }
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s [--advance SAMPLES] OUT.wav [STEM_FOLDER]\n", argv[0]);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    Stereo track = render_song();
    const Mastered mastered = master(track, target_lufs, ceiling_db);
    if (!write(argv[1], track, advance))
        return 1;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("synth: %.1f s of music at %.1f LUFS, rendered in %.2f s\n", song_seconds, mastered.lufs,
                took.count());
    for (int i = 0; argc == 3 && i < stem_count; ++i) {
        Stereo stem = render_song(static_cast<Stem>(i));
        for (std::size_t k = 0; k < stem.l.size(); ++k) {
            stem.l[k] *= mastered.gain[k];
            stem.r[k] *= mastered.gain[k];
        }
        if (!write(std::string(argv[2]) + "/" + stem_names[i] + ".wav", stem, advance))
            return 1;
    }
    return 0;
}
