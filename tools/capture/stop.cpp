#include "stop.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <utility>

#include "keeper.h"

namespace capture {

namespace {

constexpr long watchdog_ns = 800000000;  // leaves the exit itself some of the second

volatile std::sig_atomic_t stop_signal;
timer_t watchdog;
bool watchdog_made;

// Read by the watchdog in a signal handler, so plain storage that is only
// changed while its signal is blocked.
char watched_file[PATH_MAX];
char watched_target[PATH_MAX];
volatile pid_t watched_keeper = -1;
volatile int verdict_out = -1;
volatile char verdict_given;  // 0 while none has been sent
volatile long kept_frames;

constexpr char gave_up[] = "\ncapture: interrupted; could not finish within a second, "
                           "so the unfinished file was removed\n";

void say(const char *text) { (void)!write(STDERR_FILENO, text, std::strlen(text)); }

// Writes a count without stdio, which a signal handler may not use.
void say_count(long count)
{
    char digits[24];
    char *at = digits + sizeof digits;
    *--at = '\0';
    do
        *--at = static_cast<char>('0' + count % 10);
    while ((count /= 10) > 0 && at > digits);
    say(at);
}

void send_verdict(char verdict, long frames)
{
    if (verdict_out < 0)
        return;
    verdict_given = verdict ? verdict : 'd';
    const Verdict told = {verdict, frames};
    (void)!write(verdict_out, &told, sizeof told);
    close(verdict_out);
    verdict_out = -1;
}

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
    const bool keeping = verdict_given ? verdict_given == keep_verdict : kept_frames > 0;
    if (watched_keeper > 0 && keeping) {
        // What was kept stays: the keeper outlives us and finishes it.
        send_verdict(keep_verdict, kept_frames);
        say("\ncapture: interrupted; ffmpeg goes on finishing the first ");
        say_count(kept_frames);
        say(" frames in the background into ");
        say(watched_target);
        say("\n");
        _exit(exit_interrupted);
    }
    if (watched_keeper > 0)
        kill(-watched_keeper, SIGKILL);
    if (watched_file[0])
        unlink(watched_file);
    say(gave_up);
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

void watch_file(const std::string &path, const std::string &target)
{
    without_watchdog([&] {
        for (auto [name, into] : {std::pair{&path, watched_file}, std::pair{&target, watched_target}}) {
            const std::size_t length = name->size() < PATH_MAX ? name->size() : 0;
            std::memcpy(into, name->c_str(), length);
            into[length] = '\0';
        }
    });
}

void watch_encoder(pid_t keeper, int verdict)
{
    without_watchdog([&] {
        watched_keeper = keeper;
        verdict_out = verdict;
    });
}

void note_kept(long frames) { kept_frames = frames; }

void tell_verdict(bool keep, long frames)
{
    without_watchdog([&] { send_verdict(keep ? keep_verdict : 0, frames); });
}

void disarm_watchdog()
{
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, nullptr);
}

}  // namespace capture
