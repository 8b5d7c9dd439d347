#include "music.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include <mad.h>

namespace {

constexpr std::array<const char *, 2> music_paths = {"data/tapestrybeats.mp3", "tapestrybeats.mp3"};

constexpr long playable_rate = 44100;

// Enough to hold a leading tag of modest size and the first frames after it.
constexpr std::size_t probe_bytes = 64 * 1024;

char reason[512];

std::size_t id3v2_tag_size(const unsigned char *data, std::size_t size)
{
    constexpr std::size_t header_size = 10;
    if (size < header_size || data[0] != 'I' || data[1] != 'D' || data[2] != '3')
        return 0;
    // A syncsafe integer: seven bits per byte.
    const std::size_t body = (data[6] & 0x7fu) << 21 | (data[7] & 0x7fu) << 14 | (data[8] & 0x7fu) << 7 |
                             (data[9] & 0x7fu);
    const bool has_footer = data[5] & 0x10;
    return header_size + body + (has_footer ? header_size : 0);
}

// Decodes the first MPEG audio frame header; false when there is none.
bool first_frame_header(const unsigned char *data, std::size_t size, mad_header &header)
{
    mad_stream stream;
    mad_stream_init(&stream);
    mad_header_init(&header);
    mad_stream_buffer(&stream, data, size);
    bool found = false;
    for (;;) {
        if (mad_header_decode(&header, &stream) == 0) {
            found = true;
            break;
        }
        if (!MAD_RECOVERABLE(stream.error))
            break;
    }
    mad_stream_finish(&stream);
    return found;
}

}  // namespace

const char *unplayable_reason(const char *path)
{
    static unsigned char data[probe_bytes + MAD_BUFFER_GUARD];
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return nullptr;  // the mixer reports a missing file itself
    std::size_t size = std::fread(data, 1, probe_bytes, file);
    const std::size_t tag = id3v2_tag_size(data, size);
    if (tag > 0) {
        std::fseek(file, static_cast<long>(tag), SEEK_SET);
        size = std::fread(data, 1, probe_bytes, file);
    }
    std::fclose(file);
    // libmad reads a few bytes past the last frame it decodes.
    std::fill(data + size, data + size + MAD_BUFFER_GUARD, 0);

    mad_header header;
    if (!first_frame_header(data, size + MAD_BUFFER_GUARD, header))
        return nullptr;
    const bool mono = header.mode == MAD_MODE_SINGLE_CHANNEL;
    if (header.samplerate == playable_rate && !mono)
        return nullptr;
    std::snprintf(reason, sizeof reason, "%s is %u Hz %s; only %ld Hz stereo plays safely", path,
                  header.samplerate, mono ? "mono" : "stereo", playable_rate);
    return reason;
}

Mix_Music *load_music()
{
    const char *refusal = nullptr;
    for (const char *path : music_paths) {
        if (const char *why = unplayable_reason(path)) {
            refusal = why;
            continue;
        }
        if (Mix_Music *music = Mix_LoadMUS(path))
            return music;
    }
    std::printf("Mix_LoadMUS(): %s\n", refusal ? refusal : SDL_GetError());
    return nullptr;
}
