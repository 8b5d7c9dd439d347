#include "stop.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>

namespace capture {

namespace {

constexpr long watchdog_ns = 900000000;  // leaves the exit itself some of the second

volatile std::sig_atomic_t stop_signal;
timer_t watchdog;
bool watchdog_made;

// Read by the watchdog in a signal handler, so plain storage that is only
// changed while its signal is blocked.
char watched_file[PATH_MAX];
volatile pid_t watched_encoder = -1;

constexpr char gave_up[] = "\ncapture: interrupted; could not finish within a second, "
                           "so the unfinished file was removed\n";

void on_stop(int signal)
{
    if (!stop_signal && watchdog_made) {
        itimerspec once = {};
        once.it_value.tv_nsec = watchdog_ns;
        timer_settime(watchdog, 0, &once, nullptr);
    }
    stop_signal = signal;
}

// Only async-signal-safe calls from here on.
void on_watchdog(int)
{
    if (watched_encoder > 0)
        kill(watched_encoder, SIGKILL);
    if (watched_file[0])
        unlink(watched_file);
    const ssize_t ignored = write(STDERR_FILENO, gave_up, sizeof gave_up - 1);
    (void)ignored;
    _exit(exit_interrupted);
}

// Runs change() with the watchdog held off, so that it never sees half of it.
template <typename Change>
void without_watchdog(Change change)
{
    sigset_t alarm, before;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, &before);
    change();
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace

void catch_stop_signals()
{
    struct sigaction action = {};
    action.sa_handler = on_watchdog;
    sigaction(SIGALRM, &action, nullptr);
    sigevent event = {};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGALRM;
    watchdog_made = timer_create(CLOCK_MONOTONIC, &event, &watchdog) == 0;
    // Without SA_RESTART, so that a write to an encoder that stopped reading
    // returns on a stop instead of waiting forever.
    action.sa_handler = on_stop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A dead ffmpeg shows up as a failed write, not as a killed capture.
    signal(SIGPIPE, SIG_IGN);
}

bool stop_requested() { return stop_signal != 0; }

void watch_file(const std::string &path)
{
    without_watchdog([&] {
        const std::size_t length = path.size() < sizeof watched_file ? path.size() : 0;
        std::memcpy(watched_file, path.c_str(), length);
        watched_file[length] = '\0';
    });
}

void watch_encoder(pid_t encoder)
{
    without_watchdog([&] { watched_encoder = encoder; });
}

void disarm_watchdog()
{
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, nullptr);
}

}  // namespace capture
