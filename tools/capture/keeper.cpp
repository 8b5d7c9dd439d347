#include "keeper.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

extern char **environ;

namespace capture {

namespace {

constexpr int poll_ms = 100;

// True when ffmpeg ended cleanly within the limit after the verdict; the
// verdict is read meanwhile, or stays 0 when the capture ended without one.
bool wait_for_encoder(pid_t encoder, char &verdict)
{
    using Clock = std::chrono::steady_clock;
    bool told = false;
    Clock::time_point deadline;
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(encoder, &status, WNOHANG);
        if (ended == encoder)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (ended < 0 && errno != EINTR)
            return false;
        if (told && Clock::now() > deadline) {
            kill(encoder, SIGKILL);
            waitpid(encoder, &status, 0);
            return false;
        }
        pollfd verdict_in = {verdict_fd, POLLIN, 0};
        if (told) {
            poll(nullptr, 0, poll_ms);
        } else if (poll(&verdict_in, 1, poll_ms) > 0) {
            if (read(verdict_fd, &verdict, 1) != 1)
                verdict = 0;
            told = true;
            deadline = Clock::now() + std::chrono::seconds(finish_limit_s);
        }
    }
}

}  // namespace

int keep_encoder(char **argv)
{
    const char *partial = argv[2];
    const char *target = argv[3];
    char **ffmpeg = argv + 4;
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
    char verdict = 0;
    const bool finished = !failed && wait_for_encoder(encoder, verdict);
    if (failed)
        std::fprintf(stderr, "capture: cannot start %s: %s\n", ffmpeg[0], std::strerror(failed));

    bool renamed = false;
    if (finished && verdict == keep_verdict) {
        renamed = std::rename(partial, target) == 0;
        if (!renamed)
            std::fprintf(stderr, "capture: cannot rename %s to %s: %s\n", partial, target, std::strerror(errno));
    }
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
