#include "soundtrack.h"

#include <algorithm>
#include <cstring>

#include <SDL.h>
#include <mad.h>

namespace soundtrack {

namespace {

// Shared with the audio thread, under SDL's audio lock.
struct Playback {
    Samples samples;
    bool open = false;
    bool playing = false;
    std::size_t next = 0;  // frame the next buffer starts with
    bool moved = false;    // a new start is asked for: from frame asked_at, as of asked_ticks
    double asked_at = 0;
    Uint32 asked_ticks = 0;
};

Playback p;

std::int16_t to_16_bits(mad_fixed_t sample)
{
    // Rounded and clipped as libmad's own examples do.
    sample += 1L << (MAD_F_FRACBITS - 16);
    sample = std::clamp<mad_fixed_t>(sample, -MAD_F_ONE, MAD_F_ONE - 1);
    return static_cast<std::int16_t>(sample >> (MAD_F_FRACBITS + 1 - 16));
}

void fill(void *, Uint8 *stream, int length)
{
    auto *out = reinterpret_cast<std::int16_t *>(stream);
    const std::size_t frames = static_cast<std::size_t>(length) / (sizeof(std::int16_t) * channels);
    if (p.moved) {
        // The picture has moved on since it asked: so does the song.
        const double late = (SDL_GetTicks() - p.asked_ticks) / 1000.0;
        p.next = static_cast<std::size_t>(std::max(0.0, (p.asked_at + late) * rate + 0.5));
        p.moved = false;
    }
    const std::size_t total = p.samples.size() / channels;
    const std::size_t from = std::min(p.next, total);
    const std::size_t played = p.playing ? std::min(frames, total - from) : 0;
    std::memcpy(out, p.samples.data() + from * channels, played * channels * sizeof(std::int16_t));
    std::memset(out + played * channels, 0, (frames - played) * channels * sizeof(std::int16_t));
    if (p.playing)
        p.next += frames;
}

}  // namespace

std::string decode(const std::uint8_t *bytes, std::size_t size, double max_seconds, Samples &out)
{
    // libmad reads a little past a frame's end: the last frame needs zeros after it.
    std::vector<std::uint8_t> padded(bytes, bytes + size);
    padded.resize(size + MAD_BUFFER_GUARD);
    const auto max_frames = static_cast<std::size_t>(max_seconds * rate);

    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, padded.data(), padded.size());
    out.clear();
    std::string why;
    while (why.empty() && out.size() < max_frames * channels) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (MAD_RECOVERABLE(stream.error))
                continue;  // junk or a damaged frame, skipped as any decoder does
            break;         // the end of the bytes
        }
        mad_synth_frame(&synth, &frame);
        const mad_pcm &pcm = synth.pcm;
        if (pcm.samplerate != rate || pcm.channels != channels) {
            why = "a frame of " + std::to_string(pcm.samplerate) + " Hz, " + std::to_string(pcm.channels) +
                  " channels; only 44100 Hz stereo plays";
            break;
        }
        for (unsigned i = 0; i < pcm.length; ++i) {
            out.push_back(to_16_bits(pcm.samples[0][i]));
            out.push_back(to_16_bits(pcm.samples[1][i]));
        }
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    out.resize(std::min(out.size(), max_frames * channels));
    if (why.empty() && out.empty())
        why = "no MPEG audio frame in it";
    return why;
}

std::string open(Samples samples)
{
    close();
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return SDL_GetError();
    SDL_AudioSpec wanted = {};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = channels;
    wanted.samples = buffer_frames;
    wanted.callback = fill;
    p = {};
    p.samples = std::move(samples);
    // Nothing obtained asked back: SDL converts to whatever the device wants.
    if (SDL_OpenAudio(&wanted, nullptr) != 0) {
        p = {};
        return SDL_GetError();
    }
    p.open = true;
    SDL_PauseAudio(0);
    return "";
}

void close()
{
    if (!p.open)
        return;
    SDL_CloseAudio();
    p = {};
}

bool is_open() { return p.open; }

void play_from(double seconds)
{
    if (!p.open)
        return;
    SDL_LockAudio();
    p.playing = true;
    p.moved = true;
    p.asked_at = seconds;
    p.asked_ticks = SDL_GetTicks();
    SDL_UnlockAudio();
}

void silence()
{
    if (!p.open)
        return;
    SDL_LockAudio();
    p.playing = false;
    SDL_UnlockAudio();
}

}  // namespace soundtrack
