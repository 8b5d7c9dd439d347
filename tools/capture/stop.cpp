#include "stop.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include "keeper.h"
#include "options.h"

namespace capture {

namespace {

constexpr long watchdog_ns = 800000000;  // leaves the exit itself some of the second
// A worker gives up before the capture's watchdog comes for it, removing what it was writing.
constexpr long worker_watchdog_ns = 600000000;
constexpr int max_watched_files = max_jobs + 3;  // the pieces, the music's, their list and the video

volatile std::sig_atomic_t stop_signal;
timer_t watchdog;
bool watchdog_made;
bool in_worker;

// Read by the watchdog in a signal handler, so plain storage that is only
// changed while its signal is blocked.
char watched_files[max_watched_files][PATH_MAX];
char watched_target[PATH_MAX];
volatile pid_t watched_keeper = -1;
volatile int verdict_out = -1;
volatile char verdict_given;  // 0 while none has been sent
pid_t workers[max_jobs];
int worker_count;
int reports_in = -1;
Range ranges[max_jobs];
int range_count;
Verdict kept;  // the frames each worker has kept

constexpr char gave_up[] = "\ncapture: interrupted; could not finish within a second, "
                           "so the unfinished file was removed\n";
constexpr char nothing_kept[] = "\ncapture: interrupted before any frame was kept; no video written\n";

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

void copy_path(char *into, const std::string &path)
{
    const std::size_t length = path.size() < PATH_MAX ? path.size() : 0;
    std::memcpy(into, path.c_str(), length);
    into[length] = '\0';
}

void send_verdict(char verdict)
{
    if (verdict_out < 0)
        return;
    verdict_given = verdict ? verdict : 'd';
    kept.keep = verdict;
    (void)!write(verdict_out, &kept, sizeof kept);
    close(verdict_out);
    verdict_out = -1;
}

// One read of one whole report, counted; the result of read.
ssize_t read_report(Report &report)
{
    const ssize_t got = read(reports_in, &report, sizeof report);
    if (got == sizeof report && report.told == Told::frame_kept && report.worker >= 0 && report.worker < max_jobs)
        ++kept.frames[report.worker];
    return got;
}

void on_stop(int signal)
{
    if (!stop_signal && watchdog_made) {
        itimerspec once = {};
        once.it_value.tv_nsec = in_worker ? worker_watchdog_ns : watchdog_ns;
        timer_settime(watchdog, 0, &once, nullptr);
    }
    stop_signal = signal;
    for (int i = 0; i < worker_count; ++i)
        kill(workers[i], SIGTERM);
}

// Only async-signal-safe calls from here on.
void on_watchdog(int)
{
    if (in_worker) {
        for (const char *file : watched_files)
            if (file[0])
                unlink(file);
        _exit(exit_interrupted);
    }
    // Workers still busy are stopped where they are; what they had kept
    // by then is all in their reports.
    for (int i = 0; i < worker_count; ++i) {
        kill(workers[i], SIGKILL);
        waitpid(workers[i], nullptr, 0);
    }
    if (reports_in >= 0) {
        Report report;
        while (read_report(report) > 0) {
        }
    }
    const long frames = whole_prefix(ranges, kept.frames, range_count);
    const bool keeping = verdict_given ? verdict_given == keep_verdict : frames > 0;
    if (watched_keeper > 0 && keeping) {
        // What was kept stays: the keeper outlives us and finishes it.
        send_verdict(keep_verdict);
        say("\ncapture: interrupted; ffmpeg goes on finishing the first ");
        say_count(frames);
        say(" frames in the background into ");
        say(watched_target);
        say("\n");
        _exit(exit_interrupted);
    }
    if (watched_keeper > 0)
        kill(-watched_keeper, SIGKILL);
    for (const char *file : watched_files)
        if (file[0])
            unlink(file);
    say(frames > 0 || watched_keeper <= 0 ? gave_up : nothing_kept);
    _exit(exit_interrupted);
}

// Runs change() with the watchdog held off, so that it never sees half of it.
template <typename Change>
auto without_watchdog(Change change)
{
    sigset_t alarm, before;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, &before);
    const auto result = change();
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return result;
}

void make_watchdog()
{
    sigevent event = {};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGALRM;
    watchdog_made = timer_create(CLOCK_MONOTONIC, &event, &watchdog) == 0;
}

}  // namespace

void catch_stop_signals()
{
    struct sigaction action = {};
    action.sa_handler = on_watchdog;
    sigaction(SIGALRM, &action, nullptr);
    make_watchdog();
    // Without SA_RESTART, so that a wait for an encoder or a worker returns
    // on a stop instead of going on.
    action.sa_handler = on_stop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A dead ffmpeg shows up as a failed write, not as a killed capture.
    signal(SIGPIPE, SIG_IGN);
}

bool stop_requested() { return stop_signal != 0; }

void become_worker()
{
    // A forked process has no timers of its parent's; what the capture
    // watches is the capture's business.
    in_worker = true;
    make_watchdog();
    worker_count = 0;
    reports_in = -1;
    watched_keeper = -1;
    // The keeper hears the capture's verdict, and the capture's end, alone.
    if (verdict_out >= 0)
        close(verdict_out);
    verdict_out = -1;
    for (char *file : watched_files)
        file[0] = '\0';
}

void watch_files(const std::vector<std::string> &paths, const std::string &target)
{
    without_watchdog([&] {
        for (int i = 0; i < max_watched_files; ++i)
            copy_path(watched_files[i], i < static_cast<int>(paths.size()) ? paths[i] : "");
        copy_path(watched_target, target);
        return 0;
    });
}

void watch_keeper(pid_t keeper, int verdict)
{
    without_watchdog([&] {
        watched_keeper = keeper;
        verdict_out = verdict;
        return 0;
    });
}

void watch_workers(const std::vector<pid_t> &pids, int reports)
{
    without_watchdog([&] {
        worker_count = static_cast<int>(pids.size() < max_jobs ? pids.size() : max_jobs);
        std::copy_n(pids.begin(), worker_count, workers);
        reports_in = reports;
        return 0;
    });
    // A stop that came while they were being started.
    if (stop_requested())
        for (pid_t worker : pids)
            kill(worker, SIGTERM);
}

void watch_ranges(const std::vector<Range> &watched)
{
    without_watchdog([&] {
        range_count = static_cast<int>(watched.size() < max_jobs ? watched.size() : max_jobs);
        std::copy_n(watched.begin(), range_count, ranges);
        return 0;
    });
}

void note_kept(int worker, long frames)
{
    without_watchdog([&] { return kept.frames[worker] = frames; });
}

int take_report(Report &report)
{
    for (;;) {
        // Waits with the watchdog free to fire; reads, which cannot block, without it.
        pollfd reports = {reports_in, POLLIN, 0};
        if (poll(&reports, 1, -1) < 0 && errno == EINTR)
            return -1;
        const ssize_t got = without_watchdog([&] { return read_report(report); });
        if (got == sizeof report)
            return 1;
        if (got == 0)
            return 0;
    }
}

long whole_frames()
{
    return without_watchdog([&] { return whole_prefix(ranges, kept.frames, range_count); });
}

void tell_verdict(bool keep)
{
    without_watchdog([&] {
        send_verdict(keep ? keep_verdict : 0);
        return 0;
    });
}

void disarm_watchdog()
{
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigprocmask(SIG_BLOCK, &alarm, nullptr);
}

}  // namespace capture
