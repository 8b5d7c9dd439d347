// Renders the soundtrack to a WAV file; the build encodes it to mp3.
#include <chrono>
#include <cstdio>

#include "master.h"
#include "song.h"
#include "wav.h"

namespace {

constexpr float target_lufs = -14.0f;
constexpr float ceiling_db = -3.0f;  // room for the peaks between samples and those mp3 encoding adds

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.wav\n", argv[0]);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    Stereo track = render_song();
    const float lufs = master(track, target_lufs, ceiling_db);
    if (!write_wav(argv[1], track)) {
        std::fprintf(stderr, "synth: cannot write %s\n", argv[1]);
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("synth: %.1f s of music at %.1f LUFS, rendered in %.2f s\n", song_seconds, lufs,
                took.count());
    return 0;
}
