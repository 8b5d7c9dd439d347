#include "sink.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "keeper.h"
#include "stop.h"

extern char **environ;

namespace capture {

namespace {

// A write to ffmpeg that makes no progress this long means it has stopped
// reading. CAPTURE_STALL_S shortens it, for trying out such an encoder.
constexpr int stall_limit_s = 60;

int sink_fd = -1;
pid_t keeper = -1;   // the encoder's keeper, which runs ffmpeg
int verdict_out = -1;
int outcome_in = -1;
std::string failure;  // why a write failed; empty while none has

int stall_limit_ms()
{
    const char *set = std::getenv("CAPTURE_STALL_S");
    const long seconds = set ? std::strtol(set, nullptr, 10) : 0;
    return 1000 * static_cast<int>(seconds > 0 && seconds < stall_limit_s ? seconds : stall_limit_s);
}

// Waits for the encoder to take more, up to the stall limit after it last
// took something. False on a stop, or when the limit has passed.
bool wait_for_room(std::chrono::steady_clock::time_point last_taken)
{
    const auto waited = std::chrono::steady_clock::now() - last_taken;
    const long left = stall_limit_ms() - std::chrono::duration_cast<std::chrono::milliseconds>(waited).count();
    if (left <= 0) {
        failure = "ffmpeg has taken no frames for " + std::to_string(stall_limit_ms() / 1000) + " s";
        return false;
    }
    pollfd room = {sink_fd, POLLOUT, 0};
    poll(&room, 1, static_cast<int>(left));  // a stop cuts it short
    return !stop_requested();
}

using Arguments = std::vector<std::string>;

void append(Arguments &to, const Arguments &more) { to.insert(to.end(), more.begin(), more.end()); }

Arguments ffmpeg_arguments(const Video &video)
{
    const std::string size = std::to_string(video.width) + "x" + std::to_string(video.height);
    const std::string rate = std::to_string(video.fps.num) + "/" + std::to_string(video.fps.den);
    Arguments arguments = {video.ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                           "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate,
                           "-i", "pipe:0"};
    if (!video.music.empty())
        append(arguments, {"-ss", std::to_string(video.music_from), "-i", video.music, "-map", "0:v", "-map", "1:a",
                           // Silence after the music ends, and the video's end ends the file.
                           "-af", "apad", "-shortest"});
    if (video.master) {
        // Intra-only FFV1 in the frames' own RGB, cut anywhere without loss.
        append(arguments, {"-c:v", "ffv1", "-level", "3", "-g", "1", "-slicecrc", "1"});
        if (!video.music.empty())
            append(arguments, {"-c:a", "flac"});
        append(arguments, {"-f", "matroska", video.path});
        return arguments;
    }
    append(arguments, {// Tagged and converted as HD video, so that players show the colours the demo drew.
                       "-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
                       "-c:v", "libx264", "-preset", video.preset, "-crf", std::to_string(video.crf),
                       "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
                       "-color_range", "tv"});
    if (!video.music.empty())
        append(arguments, {"-c:a", "aac", "-b:a", "192k"});
    append(arguments, {"-movflags", "+faststart", "-f", "mp4", video.path});
    return arguments;
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

std::string open_video(const Video &video)
{
    int frames[2], verdict[2], outcome[2];
    if (pipe2(frames, O_CLOEXEC) != 0 || pipe2(verdict, O_CLOEXEC) != 0 || pipe2(outcome, O_CLOEXEC) != 0)
        return std::string("cannot make a pipe: ") + std::strerror(errno);
    // The keeper is this very program, whatever its name or place.
    Arguments arguments = {"capture", keeper_mode, video.path, video.target, video.ffprobe};
    append(arguments, ffmpeg_arguments(video));
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, frames[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, verdict[0], verdict_fd);
    posix_spawn_file_actions_adddup2(&actions, outcome[1], outcome_fd);
    // A process group of its own keeps the terminal's Ctrl-C away from the
    // keeper and ffmpeg: the capture decides when the stream ends, and
    // ffmpeg finishes it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    // The capture ignores SIGPIPE; the keeper and ffmpeg get the usual behaviour back.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    const int failed = posix_spawn(&keeper, "/proc/self/exe", &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(frames[0]);
    close(verdict[0]);
    close(outcome[1]);
    if (failed) {
        close(frames[1]);
        close(verdict[1]);
        close(outcome[0]);
        keeper = -1;
        return std::string("cannot start the encoder's keeper: ") + std::strerror(failed);
    }
    watch_encoder(keeper, verdict[1]);
    // Never blocked in a write: an encoder that stops reading is noticed.
    fcntl(frames[1], F_SETFL, O_NONBLOCK);
    sink_fd = frames[1];
    verdict_out = verdict[1];
    outcome_in = outcome[0];
    failure.clear();
    return "";
}

void open_raw(int fd)
{
    sink_fd = fd;
    failure.clear();
}

bool write_frame(const std::uint8_t *rgb, std::size_t size)
{
    auto last_taken = std::chrono::steady_clock::now();
    while (size > 0 && failure.empty()) {
        const ssize_t written = write(sink_fd, rgb, size);
        if (written > 0) {
            rgb += written;
            size -= static_cast<std::size_t>(written);
            last_taken = std::chrono::steady_clock::now();
        } else if (written < 0 && errno == EAGAIN) {
            // A stop while the encoder is not reading gives the frame up.
            if (!wait_for_room(last_taken))
                return false;
        } else if (written < 0 && errno == EINTR) {
            return false;
        } else {
            failure = errno == EPIPE ? "ffmpeg stopped taking frames" : std::strerror(errno);
        }
    }
    return size == 0;
}

std::string sink_failure() { return failure; }

bool close_sink(bool keep, long frames)
{
    const bool closed = close(sink_fd) == 0;
    sink_fd = -1;
    if (keeper < 0)
        return closed && failure.empty();
    keep = keep && failure.empty();
    tell_verdict(keep, frames);
    char outcome = 0;
    while (read(outcome_in, &outcome, 1) < 0 && errno == EINTR) {
    }
    close(outcome_in);
    int status = 0;
    while (waitpid(keeper, &status, 0) < 0 && errno == EINTR) {
    }
    keeper = -1;
    watch_encoder(-1, -1);
    return keep && outcome == renamed_outcome;
}

}  // namespace capture
