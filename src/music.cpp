#include "music.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

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

std::string kind_of(mode_t mode)
{
    for (const FileKind &kind : file_kinds)
        if ((mode & S_IFMT) == kind.type)
            return kind.name;
    return "of an unknown kind";
}

// Reads the whole regular file behind fd into bytes, or says why not. The
// size is weighed before a byte is read, and again while reading, since the
// file may grow meanwhile.
std::string read_regular_file(int fd, const std::string &path, std::vector<unsigned char> &bytes)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
        return path + " could not be examined: " + std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return path + " is " + kind_of(info.st_mode) + ", not a regular file";
    const std::string too_large = path + " is larger than 64 MiB, the most a music file may hold";
    if (static_cast<unsigned long long>(info.st_size) > max_music_bytes)
        return too_large;
    // A byte to spare, so that the end of the file is seen without growing.
    bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t got = 0;
    for (;;) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return path + " could not be read: " + std::strerror(errno);
        got += static_cast<std::size_t>(n);
        if (got > max_music_bytes)
            return too_large;
        if (got == bytes.size())
            bytes.resize(std::min(max_music_bytes + 1, 2 * got));
    }
    bytes.resize(got);
    return "";
}

std::string read_music_file(const char *path, std::vector<unsigned char> &bytes)
{
    // Non-blocking, so that a named pipe without a writer cannot stall the open.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::string(path) + " could not be opened: " + std::strerror(errno);
    const std::string why = read_regular_file(fd, path, bytes);
    close(fd);
    return why;
}

// Refills the stream once libmad has run out of bytes: what it has not
// finished with moves to the front, the copy tops it up, and at its end
// zeros let libmad read its last frame. False once all was handed over.
bool refill(const std::vector<unsigned char> &file, std::size_t &next, mad_stream &stream, unsigned char *buffer,
            long &buffer_offset, bool &at_end)
{
    if (at_end)
        return false;
    std::size_t kept = 0;
    if (stream.next_frame) {
        kept = static_cast<std::size_t>(stream.bufend - stream.next_frame);
        buffer_offset += stream.next_frame - buffer;
        std::memmove(buffer, stream.next_frame, kept);
    }
    std::size_t got = std::min(chunk_bytes - kept, file.size() - next);
    std::copy_n(file.begin() + static_cast<long>(next), got, buffer + kept);
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
std::string walk_frames(const std::vector<unsigned char> &file, const std::string &path)
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
    std::string why;
    while (why.empty() && refill(file, next, stream, buffer, buffer_offset, at_end)) {
        for (;;) {
            if (mad_header_decode(&header, &stream) != 0) {
                if (MAD_RECOVERABLE(stream.error))
                    continue;  // lost sync or a damaged header: the decoder skips it as well
                break;         // out of bytes
            }
            ++frames;
            const bool mono = header.mode == MAD_MODE_SINGLE_CHANNEL;
            if (header.samplerate != playable_rate || mono) {
                char frame[160];
                std::snprintf(frame, sizeof frame, " has a %u Hz %s frame at byte %ld; only %u Hz stereo plays safely",
                              header.samplerate, mono ? "mono" : "stereo",
                              buffer_offset + (stream.this_frame - buffer), playable_rate);
                why = path + frame;
                break;
            }
        }
    }
    if (why.empty() && frames == 0)
        why = path + " holds no MPEG audio frame";
    mad_stream_finish(&stream);
    return why;
}

}  // namespace

CheckedMusic read_checked_music(const char *path)
{
    std::vector<unsigned char> bytes;
    std::string why = read_music_file(path, bytes);
    if (why.empty())
        why = walk_frames(bytes, path);
    if (!why.empty())
        return {{}, why};
    return {std::move(bytes), ""};
}

Mix_Music *music_from_memory(const CheckedMusic &music)
{
    SDL_RWops *source = SDL_RWFromConstMem(music.bytes.data(), static_cast<int>(music.bytes.size()));
    if (!source)
        return nullptr;
    // Taken as an mp3, as the mixer takes a file named .mp3: guessing the
    // kind from the first bytes would refuse music that starts after junk.
    // The mixer closes the source with the music.
    return Mix_LoadMUSType_RW(source, MUS_MP3, SDL_TRUE);
}

Mix_Music *load_music(CheckedMusic &kept)
{
    std::string reasons;
    for (const char *path : music_paths) {
        kept = read_checked_music(path);
        if (kept.refusal.empty()) {
            if (Mix_Music *music = music_from_memory(kept))
                return music;
            kept = {{}, std::string(path) + ": " + SDL_GetError()};
        }
        reasons += (reasons.empty() ? "" : "; ") + kept.refusal;
    }
    std::printf("Mix_LoadMUS(): %s\n", reasons.c_str());
    return nullptr;
}
