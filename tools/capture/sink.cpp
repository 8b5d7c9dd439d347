#include "sink.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char **environ;

namespace capture {

namespace {

int sink_fd = -1;
pid_t encoder = -1;
bool write_failed;

std::string parent_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> ffmpeg_arguments(const Video &video)
{
    const std::string size = std::to_string(video.width) + "x" + std::to_string(video.height);
    return {video.ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
            "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", std::to_string(video.fps),
            "-i", "pipe:0",
            "-ss", std::to_string(video.music_from), "-i", video.music,
            "-map", "0:v", "-map", "1:a",
            // Tagged and converted as HD video, so that players show the colours the demo drew.
            "-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
            "-c:v", "libx264", "-preset", "medium", "-crf", "18",
            "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv",
            // Silence after the music ends, and the video's end ends the file.
            "-af", "apad", "-c:a", "aac", "-b:a", "192k", "-shortest",
            "-movflags", "+faststart", "-f", "mp4", video.path};
}

}  // namespace

std::string find_on_path(const char *program)
{
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = dirs.find(':', begin);
        const std::string dir = dirs.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            return "";
        begin = end + 1;
    }
}

std::string unwritable(const std::string &path)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return "it is a directory";
        return access(path.c_str(), W_OK) == 0 ? "" : std::strerror(errno);
    }
    const std::string dir = parent_of(path);
    if (stat(dir.c_str(), &info) != 0)
        return dir + ": " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return dir + " is not a directory";
    return access(dir.c_str(), W_OK | X_OK) == 0 ? "" : dir + ": " + std::strerror(errno);
}

std::string open_video(const Video &video)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return std::string("cannot make a pipe: ") + std::strerror(errno);
    const std::vector<std::string> arguments = ffmpeg_arguments(video);
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    // A process group of its own keeps the terminal's Ctrl-C away from
    // ffmpeg: the capture decides when the stream ends, and ffmpeg finishes it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    // The capture ignores SIGPIPE; ffmpeg gets the usual behaviour back.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    const int failed = posix_spawn(&encoder, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (failed) {
        close(fds[1]);
        encoder = -1;
        return "cannot start " + video.ffmpeg + ": " + std::strerror(failed);
    }
    sink_fd = fds[1];
    write_failed = false;
    return "";
}

std::string open_raw(const std::string &path)
{
    sink_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (sink_fd < 0)
        return "cannot write " + path + ": " + std::strerror(errno);
    write_failed = false;
    return "";
}

bool write_frame(const std::uint8_t *rgb, std::size_t size)
{
    while (size > 0 && !write_failed) {
        const ssize_t written = write(sink_fd, rgb, size);
        if (written < 0) {
            write_failed = errno != EINTR;
            continue;
        }
        rgb += written;
        size -= static_cast<std::size_t>(written);
    }
    return !write_failed;
}

bool close_sink()
{
    const bool closed = close(sink_fd) == 0;
    sink_fd = -1;
    if (encoder < 0)
        return closed && !write_failed;
    int status = 0;
    while (waitpid(encoder, &status, 0) < 0 && errno == EINTR) {
    }
    encoder = -1;
    return !write_failed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace capture
