#include "workers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stop.h"

namespace capture {

namespace {

Report failed(int worker, const std::string &why)
{
    Report report;
    report.worker = worker;
    report.told = Told::failed;
    std::snprintf(report.why, sizeof report.why, "%s", why.c_str());
    return report;
}

[[noreturn]] void be_worker(int worker, const std::vector<int> &own, int reports, const Work &work)
{
    become_worker();
    // Nobody is left to tell once the capture is gone.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (std::size_t i = 0; i < own.size(); ++i)
        if (own[i] >= 0 && static_cast<int>(i) != worker)
            close(own[i]);
    const std::string why = work(worker, [&](const Report &report) { (void)!write(reports, &report, sizeof report); });
    if (!why.empty()) {
        const Report report = failed(worker, why);
        (void)!write(reports, &report, sizeof report);
    }
    std::fflush(stderr);
    _exit(why.empty() ? 0 : 1);
}

std::string ending(int status)
{
    if (WIFSIGNALED(status))
        return std::string("a worker was killed (") + strsignal(WTERMSIG(status)) + ")";
    return "a worker failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

}  // namespace

void run_workers(int count, const std::vector<int> &own, const Work &work, const Hear &hear)
{
    if (count == 1) {
        long kept = 0;
        const std::string why = work(0, [&](const Report &report) {
            note_kept(0, ++kept);
            hear(report);
        });
        if (!why.empty())
            hear(failed(0, why));
        return;
    }
    int reports[2];
    if (pipe2(reports, O_CLOEXEC) != 0) {
        hear(failed(0, std::string("cannot make a pipe: ") + std::strerror(errno)));
        return;
    }
    // The capture polls its end, and its watchdog drains it.
    fcntl(reports[0], F_SETFL, O_NONBLOCK);
    std::vector<pid_t> workers;
    for (int i = 0; i < count; ++i) {
        const pid_t worker = fork();
        if (worker == 0) {
            close(reports[0]);
            be_worker(i, own, reports[1], work);
        }
        if (worker < 0) {
            hear(failed(i, std::string("cannot start a worker: ") + std::strerror(errno)));
            break;
        }
        workers.push_back(worker);
    }
    close(reports[1]);
    for (int fd : own)
        if (fd >= 0)
            close(fd);
    watch_workers(workers, reports[0]);
    bool going = static_cast<int>(workers.size()) == count;
    if (!going)
        for (pid_t worker : workers)
            kill(worker, SIGTERM);
    std::vector<bool> told_failure(count);
    Report report;
    for (int got; (got = take_report(report)) != 0;) {
        if (got < 0)
            continue;  // a stop, which the workers have been sent
        told_failure[report.worker] = told_failure[report.worker] || report.told == Told::failed;
        if (!hear(report) && going) {
            going = false;
            for (pid_t worker : workers)
                kill(worker, SIGTERM);
        }
    }
    for (std::size_t i = 0; i < workers.size(); ++i) {
        int status = 0;
        while (waitpid(workers[i], &status, 0) < 0 && errno == EINTR) {
        }
        // A worker that ends badly after a stop or another's failure has been told to end.
        if (going && !stop_requested() && !told_failure[i] && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            hear(failed(static_cast<int>(i), ending(status)));
    }
    watch_workers({}, -1);
    close(reports[0]);
}

}  // namespace capture
