#include "demo_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string slurp(const std::string &path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

DemoRun run_demo(const DemoOptions &options)
{
    const std::string out_path = options.directory + "/.demo-stdout";
    const std::string err_path = options.directory + "/.demo-stderr";
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(options.directory.c_str()) != 0)
            _exit(127);
        for (const auto &[name, value] : options.environment)
            setenv(name.c_str(), value.c_str(), 1);
        dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        execl(DEMO_EXECUTABLE, DEMO_EXECUTABLE, static_cast<char *>(nullptr));
        _exit(127);
    }

    using std::chrono::milliseconds;
    bool signalled = false;
    int wait_status = 0;
    for (;;) {
        if (waitpid(child, &wait_status, WNOHANG) == child)
            break;
        const auto waited = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
        if (options.signal && !signalled && waited.count() >= options.signal_after_ms) {
            kill(child, options.signal);
            signalled = true;
        }
        if (waited.count() >= options.kill_after_ms)
            kill(child, SIGKILL);
        std::this_thread::sleep_for(milliseconds(20));
    }

    DemoRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exited = WIFEXITED(wait_status);
    run.status = run.exited ? WEXITSTATUS(wait_status) : -1;
    run.out = slurp(out_path);
    run.err = slurp(err_path);
    return run;
}
