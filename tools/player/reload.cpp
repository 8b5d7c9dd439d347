#include "reload.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

extern char **environ;

namespace reload {

namespace {

constexpr std::size_t shown_lines = 6;
constexpr std::size_t shown_columns = 76;
constexpr std::size_t kept_output = 1 << 16;  // bytes of a build's output kept, from its start

// Files whose saving means the code may have changed; editors' backups and
// swap files do not.
constexpr const char *source_endings[] = {".cpp", ".h", ".S", ".txt"};

struct Reloader {
    Config config;
    int watch_fd = -1;
    bool wanted = false;  // a build is asked for
    pid_t build = -1;     // the build running, or -1
    int output_fd = -1;   // its standard output and error
    std::string output;
    void *library = nullptr;  // the code in use
    void *retired = nullptr;  // the code before it, unused once the player has switched
};

Reloader r;

bool is_source(const char *name)
{
    const std::size_t length = std::strlen(name);
    for (const char *ending : source_endings) {
        const std::size_t tail = std::strlen(ending);
        if (length > tail && std::strcmp(name + length - tail, ending) == 0)
            return true;
    }
    return false;
}

void read_watch_events()
{
    alignas(inotify_event) char buffer[4096];
    ssize_t got;
    while ((got = read(r.watch_fd, buffer, sizeof buffer)) > 0) {
        for (char *at = buffer; at < buffer + got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(at);
            if (event->len && is_source(event->name))
                r.wanted = true;
            at += sizeof(inotify_event) + event->len;
        }
    }
}

void read_output()
{
    char buffer[4096];
    ssize_t got;
    while ((got = read(r.output_fd, buffer, sizeof buffer)) > 0) {
        const std::size_t room = kept_output - std::min(kept_output, r.output.size());
        r.output.append(buffer, std::min(static_cast<std::size_t>(got), room));
    }
}

std::string start_build()
{
    r.wanted = false;
    r.output.clear();
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return std::string("no pipe for the build: ") + std::strerror(errno);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    std::vector<char *> argv;
    for (std::string &word : r.config.build)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    // A group of its own, so that stopping it stops the compilers it runs too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int failed = posix_spawnp(&r.build, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed) {
        close(out[0]);
        r.build = -1;
        return "cannot run " + r.config.build[0] + ": " + std::strerror(failed);
    }
    r.output_fd = out[0];
    fcntl(r.output_fd, F_SETFL, O_NONBLOCK);
    return "";
}

// Copies a file; returns why it could not, or an empty string.
std::string copy_file(const std::string &from_path, int to)
{
    const int from = open(from_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return "cannot open " + from_path + ": " + std::strerror(errno);
    char buffer[1 << 16];
    ssize_t got;
    while ((got = read(from, buffer, sizeof buffer)) > 0)
        if (write(to, buffer, static_cast<std::size_t>(got)) != got)
            got = -1;
    const std::string why = got < 0 ? "cannot copy " + from_path + ": " + std::strerror(errno) : "";
    close(from);
    return why;
}

// Loads a fresh copy of the library, under a name of its own so that the
// loader never hands back the one already loaded, and so that the build may
// write the next one while this one runs.
std::string load_library(const DemoCode *&code)
{
    char copy[] = "/tmp/player-scenes-XXXXXX.so";
    const int to = mkstemps(copy, 3);
    if (to < 0)
        return std::string("cannot make a copy of the library: ") + std::strerror(errno);
    const std::string why = copy_file(r.config.library, to);
    close(to);
    void *library = why.empty() ? dlopen(copy, RTLD_NOW | RTLD_LOCAL) : nullptr;
    unlink(copy);
    if (!why.empty())
        return why;
    if (!library)
        return dlerror();
    const auto entry = reinterpret_cast<const DemoCode *(*)()>(dlsym(library, demo_code_symbol));
    if (!entry) {
        dlclose(library);
        return r.config.library + " has no " + demo_code_symbol;
    }
    code = entry();
    r.retired = r.library;
    r.library = library;
    return "";
}

Outcome failure(std::vector<std::string> lines)
{
    lines.insert(lines.begin(), "build failed; the code before it plays on:");
    return {Event::failed, nullptr, std::move(lines)};
}

Outcome finish_build(int status)
{
    read_output();
    close(r.output_fd);
    r.output_fd = -1;
    r.build = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return failure(first_errors(r.output));
    Outcome outcome;
    outcome.event = Event::loaded;
    const std::string why = load_library(outcome.code);
    return why.empty() ? outcome : failure({why});
}

std::string short_line(std::string line)
{
    // A path before the first colon is shown by its file name.
    const std::size_t colon = line.find(':');
    const std::size_t slash = line.rfind('/', colon);
    if (colon != std::string::npos && slash != std::string::npos && line.find(' ') > colon)
        line.erase(0, slash + 1);
    if (line.size() > shown_columns)
        line.resize(shown_columns);
    return line;
}

bool is_make_noise(const std::string &line) { return line.rfind("make", 0) == 0 || line.rfind("gmake", 0) == 0; }

}  // namespace

std::string setup(const Config &config, bool watch)
{
    r.config = config;
    if (!watch)
        return "";
    r.watch_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (r.watch_fd < 0 ||
        inotify_add_watch(r.watch_fd, config.sources.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE) < 0)
        return "cannot watch " + config.sources + ": " + std::strerror(errno);
    return "";
}

void request() { r.wanted = true; }

Outcome poll()
{
    if (r.retired) {
        dlclose(r.retired);
        r.retired = nullptr;
    }
    if (r.watch_fd >= 0)
        read_watch_events();
    if (r.build < 0) {
        if (!r.wanted)
            return {};
        const std::string why = start_build();
        if (!why.empty())
            return failure({why});
        Outcome outcome;
        outcome.event = Event::started;
        return outcome;
    }
    read_output();
    int status = 0;
    if (waitpid(r.build, &status, WNOHANG) != r.build)
        return {};
    return finish_build(status);
}

void stop()
{
    if (r.build < 0)
        return;
    kill(-r.build, SIGTERM);
    int status;
    waitpid(r.build, &status, 0);
    close(r.output_fd);
    r.build = -1;
    r.output_fd = -1;
}

std::vector<std::string> first_errors(const std::string &output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && !is_make_noise(line))
            lines.push_back(line);
    auto first = std::find_if(lines.begin(), lines.end(), [](const std::string &line) {
        return line.find("error") != std::string::npos || line.find("Error") != std::string::npos;
    });
    if (first == lines.end())
        first = lines.end() - std::min(lines.size(), shown_lines);
    std::vector<std::string> shown;
    for (auto line = first; line != lines.end() && shown.size() < shown_lines; ++line)
        shown.push_back(short_line(*line));
    return shown;
}

}  // namespace reload
