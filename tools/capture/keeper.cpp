#include "keeper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char **environ;

namespace capture {

namespace {

constexpr int poll_ms = 100;

// Why ffmpeg's ending leaves no video, or an empty string for a clean one.
std::string ending(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 0 ? "" : "ffmpeg failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
    return std::string("ffmpeg was killed (") + strsignal(WTERMSIG(status)) + ")";
}

// Lets ffmpeg run while the verdict comes in, then waits for it to finish a
// video the capture keeps, or kills it at once when the capture drops it.
// The verdict stays unset when the capture ended without one. Returns why
// ffmpeg left no video, or an empty string.
std::string wait_for_encoder(pid_t encoder, Verdict &verdict)
{
    using Clock = std::chrono::steady_clock;
    bool told = false;
    Clock::time_point deadline;
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(encoder, &status, WNOHANG);
        if (ended == encoder)
            return ending(status);
        if (ended < 0 && errno != EINTR)
            return std::string("cannot wait for ffmpeg: ") + std::strerror(errno);
        const bool dropped = told && verdict.keep != keep_verdict;
        if (dropped || (told && Clock::now() > deadline)) {
            kill(encoder, SIGKILL);
            waitpid(encoder, &status, 0);
            return dropped ? "" : "ffmpeg was still busy " + std::to_string(finish_limit_s) + " s after the last frame";
        }
        pollfd verdict_in = {verdict_fd, POLLIN, 0};
        if (told) {
            poll(nullptr, 0, poll_ms);
        } else if (poll(&verdict_in, 1, poll_ms) > 0) {
            if (read(verdict_fd, &verdict, sizeof verdict) != sizeof verdict)
                verdict = {};
            told = true;
            deadline = Clock::now() + std::chrono::seconds(finish_limit_s);
        }
    }
}

// The frames ffprobe counts in the video at path, or -1 when it cannot read it.
long frames_in(const char *ffprobe, const char *path)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return -1;
    const char *argv[] = {ffprobe, "-v", "quiet", "-select_streams", "v:0", "-count_packets",
                          "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", path, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, verdict_fd);
    posix_spawn_file_actions_addclose(&actions, outcome_fd);
    pid_t probe = -1;
    const int failed = posix_spawn(&probe, ffprobe, &actions, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string said;
    char buffer[64];
    for (ssize_t got; !failed && (got = read(out[0], buffer, sizeof buffer)) != 0;)
        if (got > 0)
            said.append(buffer, static_cast<std::size_t>(got));
    close(out[0]);
    int status = 0;
    if (failed || waitpid(probe, &status, 0) != probe || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    char *end = nullptr;
    const long frames = std::strtol(said.c_str(), &end, 10);
    return end != said.c_str() ? frames : -1;
}

// Why the finished video is not the one the capture made, or an empty string.
std::string check_video(const char *ffprobe, const char *path, long frames)
{
    struct stat info;
    if (stat(path, &info) != 0 || info.st_size == 0)
        return "ffmpeg's video is empty";
    const long counted = frames_in(ffprobe, path);
    if (counted < 0)
        return "ffprobe cannot read ffmpeg's video";
    if (counted != frames)
        return "ffmpeg's video holds " + std::to_string(counted) + " frames, not " + std::to_string(frames);
    return "";
}

}  // namespace

int keep_encoder(char **argv)
{
    const char *partial = argv[2];
    const char *target = argv[3];
    const char *ffprobe = argv[4];
    char **ffmpeg = argv + 5;
    // ffmpeg reads the frames on standard input, which it shares with us.
    // The verdict and the outcome are ours alone.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, verdict_fd);
    posix_spawn_file_actions_addclose(&actions, outcome_fd);
    pid_t encoder = -1;
    const int failed = posix_spawn(&encoder, ffmpeg[0], &actions, nullptr, ffmpeg, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(STDIN_FILENO);
    Verdict verdict = {};
    std::string why = failed ? std::string("cannot start ") + ffmpeg[0] + ": " + std::strerror(failed)
                             : wait_for_encoder(encoder, verdict);
    if (why.empty() && verdict.keep == keep_verdict)
        why = check_video(ffprobe, partial, verdict.frames);
    bool renamed = false;
    if (why.empty() && verdict.keep == keep_verdict) {
        renamed = std::rename(partial, target) == 0;
        if (!renamed)
            why = "cannot rename " + std::string(partial) + " to " + target + ": " + std::strerror(errno);
    }
    if (!why.empty())
        std::fprintf(stderr, "capture: %s\n", why.c_str());
    if (!renamed)
        std::remove(partial);
    // Nobody may be listening any more.
    signal(SIGPIPE, SIG_IGN);
    const char outcome = renamed ? renamed_outcome : 0;
    const ssize_t told = write(outcome_fd, &outcome, 1);
    (void)told;
    return renamed ? 0 : 1;
}

}  // namespace capture
