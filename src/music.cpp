#include "music.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <mad.h>

namespace {

constexpr std::array<const char *, 2> music_paths = {"data/tapestrybeats.mp3", "tapestrybeats.mp3"};

constexpr unsigned playable_rate = 44100;

// The file is read in pieces, as a decoder does, so that its size costs time
// but never memory. The mixer's libmad reader uses pieces of this size: the
// walk refills at the same places and so syncs to the same frames.
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

char reason[512];

const char *kind_of(mode_t mode)
{
    for (const FileKind &kind : file_kinds)
        if ((mode & S_IFMT) == kind.type)
            return kind.name;
    return "of an unknown kind";
}

enum Refill { refilled, file_done, read_failed };

// Refills the stream once libmad has run out of bytes: what it has not
// finished with moves to the front, the file tops it up, and at the end of
// the file zeros let libmad read its last frame. On read_failed errno says why.
Refill refill(int fd, mad_stream &stream, unsigned char *buffer, long &buffer_offset, bool &at_end)
{
    if (at_end)
        return file_done;
    std::size_t kept = 0;
    if (stream.next_frame) {
        kept = static_cast<std::size_t>(stream.bufend - stream.next_frame);
        buffer_offset += stream.next_frame - buffer;
        std::memmove(buffer, stream.next_frame, kept);
    }
    ssize_t got;
    do
        got = read(fd, buffer + kept, chunk_bytes - kept);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return read_failed;
    if (got == 0) {
        at_end = true;
        std::memset(buffer + kept, 0, MAD_BUFFER_GUARD);
        got = MAD_BUFFER_GUARD;
    }
    mad_stream_buffer(&stream, buffer, kept + static_cast<std::size_t>(got));
    return refilled;
}

// Walks every frame header of the open file the way the decoder syncs: past
// tags and junk, one buffer at a time.
const char *walk_frames(int fd, const char *path)
{
    static unsigned char buffer[chunk_bytes + MAD_BUFFER_GUARD];
    mad_stream stream;
    mad_header header;
    mad_stream_init(&stream);
    mad_header_init(&header);
    long buffer_offset = 0;  // where buffer[0] lies in the file
    bool at_end = false;
    long frames = 0;
    const char *why = nullptr;
    Refill state = refilled;
    while (!why && (state = refill(fd, stream, buffer, buffer_offset, at_end)) == refilled) {
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
    if (!why && state == read_failed) {
        std::snprintf(reason, sizeof reason, "%s could not be read: %s", path, std::strerror(errno));
        why = reason;
    }
    if (!why && frames == 0) {
        std::snprintf(reason, sizeof reason, "%s holds no MPEG audio frame", path);
        why = reason;
    }
    mad_stream_finish(&stream);
    return why;
}

}  // namespace

const char *unplayable_reason(const char *path)
{
    // Non-blocking, so that a named pipe without a writer cannot stall the open.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;  // the mixer reports a file it cannot open itself
    struct stat info;
    const char *why = nullptr;
    if (fstat(fd, &info) != 0) {
        std::snprintf(reason, sizeof reason, "%s could not be examined: %s", path, std::strerror(errno));
        why = reason;
    } else if (!S_ISREG(info.st_mode)) {
        std::snprintf(reason, sizeof reason, "%s is %s, not a regular file", path, kind_of(info.st_mode));
        why = reason;
    } else {
        why = walk_frames(fd, path);
    }
    close(fd);
    return why;
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
