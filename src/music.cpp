#include "music.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <mad.h>

namespace {

constexpr std::array<const char *, 2> music_paths = {"data/tapestrybeats.mp3", "tapestrybeats.mp3"};

constexpr unsigned playable_rate = 44100;

// The mixer's libmad reader takes the music in pieces of this size: the walk
// hands libmad the copy in the same pieces, so it refills at the same places
// and syncs to the same frames.
constexpr std::size_t chunk_bytes = 5 * 8192;

struct FileKind {
    mode_t type;
    const char *name;
};

// What open() can hand back besides a regular file.
constexpr FileKind file_kinds[] = {
    {S_IFDIR, "a directory"},
    {S_IFIFO, "a named pipe"},
    {S_IFCHR, "a character device"},
    {S_IFBLK, "a block device"},
};

// The copy of the music file last read, with a byte to spare: a file that
// fills it has grown past the limit while it was read. Untouched pages of
// it cost no memory.
unsigned char music_copy[max_music_bytes + 1];
char reason[512];

const char *kind_of(mode_t mode)
{
    for (const FileKind &kind : file_kinds)
        if ((mode & S_IFMT) == kind.type)
            return kind.name;
    return "of an unknown kind";
}

const char *too_large(const char *path)
{
    std::snprintf(reason, sizeof reason, "%s is larger than 64 MiB, the most a music file may hold", path);
    return reason;
}

// Reads the whole regular file behind fd into the copy, or says why not. The
// size is weighed before a byte is read, so that a huge file is refused at once.
const char *read_regular_file(int fd, const char *path, std::size_t &size)
{
    struct stat info;
    if (fstat(fd, &info) != 0) {
        std::snprintf(reason, sizeof reason, "%s could not be examined: %s", path, std::strerror(errno));
        return reason;
    }
    if (!S_ISREG(info.st_mode)) {
        std::snprintf(reason, sizeof reason, "%s is %s, not a regular file", path, kind_of(info.st_mode));
        return reason;
    }
    if (static_cast<unsigned long long>(info.st_size) > max_music_bytes)
        return too_large(path);
    size = 0;
    for (ssize_t got; size < sizeof music_copy && (got = read(fd, music_copy + size, sizeof music_copy - size)) != 0;) {
        if (got > 0) {
            size += static_cast<std::size_t>(got);
        } else if (errno != EINTR) {
            std::snprintf(reason, sizeof reason, "%s could not be read: %s", path, std::strerror(errno));
            return reason;
        }
    }
    return size > max_music_bytes ? too_large(path) : nullptr;  // it grew while it was read
}

// Refills the stream once libmad has run out of bytes: what it has not
// finished with moves to the front, the copy tops it up, and at its end
// zeros let libmad read its last frame. False once all was handed over.
bool refill(std::size_t size, std::size_t &next, mad_stream &stream, unsigned char *buffer, long &buffer_offset,
            bool &at_end)
{
    if (at_end)
        return false;
    std::size_t kept = 0;
    if (stream.next_frame) {
        kept = static_cast<std::size_t>(stream.bufend - stream.next_frame);
        buffer_offset += stream.next_frame - buffer;
        std::memmove(buffer, stream.next_frame, kept);
    }
    std::size_t got = std::min(chunk_bytes - kept, size - next);
    std::memcpy(buffer + kept, music_copy + next, got);
    next += got;
    if (got == 0) {
        at_end = true;
        std::memset(buffer + kept, 0, MAD_BUFFER_GUARD);
        got = MAD_BUFFER_GUARD;
    }
    mad_stream_buffer(&stream, buffer, kept + got);
    return true;
}

// Walks every frame header of the copy the way the decoder syncs: past tags
// and junk, one piece at a time.
const char *walk_frames(std::size_t size, const char *path)
{
    static unsigned char buffer[chunk_bytes + MAD_BUFFER_GUARD];
    mad_stream stream;
    mad_header header;
    mad_stream_init(&stream);
    mad_header_init(&header);
    std::size_t next = 0;    // the first byte of the copy not yet handed to libmad
    long buffer_offset = 0;  // where buffer[0] lies in the file
    bool at_end = false;
    long frames = 0;
    const char *why = nullptr;
    while (!why && refill(size, next, stream, buffer, buffer_offset, at_end)) {
        for (;;) {
            if (mad_header_decode(&header, &stream) != 0) {
                if (MAD_RECOVERABLE(stream.error))
                    continue;  // lost sync or a damaged header: the decoder skips it as well
                break;         // out of bytes
            }
            ++frames;
            const bool mono = header.mode == MAD_MODE_SINGLE_CHANNEL;
            if (header.samplerate != playable_rate || mono) {
                std::snprintf(reason, sizeof reason,
                              "%s has a %u Hz %s frame at byte %ld; only %u Hz stereo plays safely", path,
                              header.samplerate, mono ? "mono" : "stereo",
                              buffer_offset + (stream.this_frame - buffer), playable_rate);
                why = reason;
                break;
            }
        }
    }
    if (!why && frames == 0) {
        std::snprintf(reason, sizeof reason, "%s holds no MPEG audio frame", path);
        why = reason;
    }
    mad_stream_finish(&stream);
    return why;
}

}  // namespace

CheckedMusic read_checked_music(const char *path)
{
    // Non-blocking, so that a named pipe without a writer cannot stall the open.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::snprintf(reason, sizeof reason, "%s could not be opened: %s", path, std::strerror(errno));
        return {nullptr, 0, reason};
    }
    std::size_t size = 0;
    const char *why = read_regular_file(fd, path, size);
    close(fd);
    if (!why)
        why = walk_frames(size, path);
    return why ? CheckedMusic{nullptr, 0, why} : CheckedMusic{music_copy, size, nullptr};
}

Mix_Music *music_from_memory(const CheckedMusic &music)
{
    SDL_RWops *source = SDL_RWFromConstMem(music.bytes, static_cast<int>(music.size));
    if (!source)
        return nullptr;
    // Taken as an mp3, as the mixer takes a file named .mp3: guessing the
    // kind from the first bytes would refuse music that starts after junk.
    // The mixer closes the source with the music.
    return Mix_LoadMUSType_RW(source, MUS_MP3, SDL_TRUE);
}

Mix_Music *load_music()
{
    static char reasons[2 * sizeof reason + 2];
    int written = 0;
    for (const char *path : music_paths) {
        const CheckedMusic music = read_checked_music(path);
        const char *why = music.refusal;
        if (!why) {
            if (Mix_Music *mixed = music_from_memory(music))
                return mixed;
            std::snprintf(reason, sizeof reason, "%s: %s", path, SDL_GetError());
            why = reason;
        }
        written += std::snprintf(reasons + written, sizeof reasons - static_cast<std::size_t>(written), "%s%s",
                                 written ? "; " : "", why);
    }
    std::printf("Mix_LoadMUS(): %s\n", reasons);
    return nullptr;
}
