#include "spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string slurp(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

Spawned spawn(const std::vector<std::string> &argv, const SpawnOptions &options)
{
    const std::string out_path = options.directory + "/.spawn-stdout";
    const std::string err_path = options.directory + "/.spawn-stderr";
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(options.directory.c_str()) != 0)
            _exit(127);
        for (const std::string &name : options.unset)
            unsetenv(name.c_str());
        for (const auto &[name, value] : options.environment)
            setenv(name.c_str(), value.c_str(), 1);
        dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        for (int fd : options.closed)
            close(fd);
        execvp(args[0], args.data());
        _exit(127);
    }

    using std::chrono::milliseconds;
    bool signalled = false;
    int wait_status = 0;
    while (waitpid(child, &wait_status, WNOHANG) != child) {
        const auto waited = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
        if (options.signal && !signalled && waited.count() >= options.signal_after_ms) {
            kill(child, options.signal);
            signalled = true;
        }
        if (waited.count() >= options.kill_after_ms)
            kill(child, SIGKILL);
        std::this_thread::sleep_for(milliseconds(10));
    }

    Spawned run;
    run.exited = WIFEXITED(wait_status);
    run.status = run.exited ? WEXITSTATUS(wait_status) : -1;
    run.out = slurp(out_path);
    run.err = slurp(err_path);
    return run;
}
