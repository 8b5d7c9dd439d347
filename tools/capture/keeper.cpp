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
#include <fstream>

#include "stop.h"

extern char **environ;

namespace capture {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int poll_ms = 100;
constexpr char renamed_outcome = 'r';  // anything else: no video

pid_t keeper = -1;
int outcome_in = -1;

// A program the keeper runs: an encoder, the join or ffprobe.
struct Child {
    pid_t pid = -1;
    int status = 0;
    bool ended = false;
    bool killed = false;  // by the keeper
    bool told = false;    // its failure was reported
};

// Runs a program with the given standard input and output (-1: the
// keeper's own), and the music where ffmpeg looks for it; it gets the
// usual SIGPIPE back, which the capture ignores.
Child run(const Arguments &arguments, int input, int output, int music = -1)
{
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0)
        posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    if (output >= 0)
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    if (music >= 0)
        posix_spawn_file_actions_adddup2(&actions, music, music_descriptor);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    Child child;
    const int failed = posix_spawn(&child.pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        std::fprintf(stderr, "capture: cannot start %s: %s\n", argv[0], std::strerror(failed));
        child = {-1, 0, true, false, true};
        child.status = 127 << 8;
    }
    return child;
}

void reap(Child &child)
{
    if (!child.ended && waitpid(child.pid, &child.status, WNOHANG) == child.pid)
        child.ended = true;
}

void kill_child(Child &child)
{
    if (child.ended)
        return;
    kill(child.pid, SIGKILL);
    waitpid(child.pid, &child.status, 0);
    child.ended = true;
    // One that was already on its way out keeps its own reason.
    child.killed = WIFSIGNALED(child.status) && WTERMSIG(child.status) == SIGKILL;
}

// Why a program's ending leaves no video, or an empty string for a clean one.
std::string failure(const Child &child, const char *name)
{
    const std::string what = name;
    if (child.killed)
        return what + " was still busy " + std::to_string(finish_limit_s) + " s after the last frame";
    if (WIFEXITED(child.status))
        return WEXITSTATUS(child.status) == 0 ? ""
                                              : what + " failed (exit status " + std::to_string(WEXITSTATUS(child.status)) + ")";
    return what + " was killed (" + strsignal(WTERMSIG(child.status)) + ")";
}

// Says at once why a program failed, and only once.
void report(Child &child, const char *name)
{
    const std::string why = failure(child, name);
    if (child.ended && !child.told && !why.empty())
        std::fprintf(stderr, "capture: %s\n", why.c_str());
    child.told = child.told || child.ended;
}

// Waits for the children until the deadline, then kills those left.
void wait_for(std::vector<Child *> children, Clock::time_point deadline)
{
    for (;;) {
        bool running = false;
        for (Child *child : children) {
            reap(*child);
            running = running || !child->ended;
        }
        if (!running)
            return;
        if (Clock::now() > deadline)
            break;
        poll(nullptr, 0, poll_ms);
    }
    for (Child *child : children)
        kill_child(*child);
}

// Lets the encoders run until the verdict comes, saying at once when one fails.
Verdict wait_for_verdict(std::vector<Child> &encoders, int verdict_in)
{
    for (;;) {
        pollfd in = {verdict_in, POLLIN, 0};
        if (poll(&in, 1, poll_ms) > 0) {
            Verdict verdict;
            if (read(verdict_in, &verdict, sizeof verdict) != sizeof verdict)
                verdict = {};  // the capture ended without one
            return verdict;
        }
        for (Child &encoder : encoders) {
            reap(encoder);
            report(encoder, "ffmpeg");
        }
    }
}

// The frames ffprobe counts in the video at path, or -1 when it cannot read it.
long frames_in(const std::string &ffprobe, const std::string &path)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return -1;
    Child probe = run({ffprobe, "-v", "quiet", "-select_streams", "v:0", "-count_packets", "-show_entries",
                       "stream=nb_read_packets", "-of", "csv=p=0", path},
                      -1, out[1]);
    close(out[1]);
    std::string said;
    char buffer[64];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) != 0;)
        if (got > 0)
            said.append(buffer, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            break;
    close(out[0]);
    wait_for({&probe}, Clock::now() + std::chrono::seconds(finish_limit_s));
    if (!failure(probe, "ffprobe").empty())
        return -1;
    char *end = nullptr;
    const long frames = std::strtol(said.c_str(), &end, 10);
    return end != said.c_str() ? frames : -1;
}

// Why the finished video is not the one the capture made, or an empty string.
std::string check_video(const std::string &ffprobe, const std::string &path, long frames)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || info.st_size == 0)
        return "ffmpeg's video is empty";
    const long counted = frames_in(ffprobe, path);
    if (counted < 0)
        return "ffprobe cannot read ffmpeg's video";
    if (counted != frames)
        return "ffmpeg's video holds " + std::to_string(counted) + " frames, not " + std::to_string(frames);
    return "";
}

// Finishes the video of the frames kept from the first on: waits for the
// encoders of the ranges it takes, joins their pieces, checks the result.
// Returns whether it is ready under its partial name, having said why not.
bool finish(const Encoding &encoding, std::vector<Child> &encoders, const Verdict &verdict)
{
    const int count = static_cast<int>(encoding.ranges.size());
    const long frames = whole_prefix(encoding.ranges.data(), verdict.frames, count);
    int used = 0;  // the ranges those frames come from
    for (long seen = 0; used < count && seen < frames; seen += verdict.frames[used++]) {
    }
    std::vector<Child *> taken;
    std::vector<std::string> pieces;
    for (int i = 0; i < count; ++i) {
        if (i >= used) {
            kill_child(encoders[i]);  // nothing of it is used
            continue;
        }
        taken.push_back(&encoders[i]);
        if (count > 1)
            pieces.push_back(encoding.pieces[i]);
    }
    if (!encoding.sound.empty())
        taken.push_back(&encoders.back());
    const auto deadline = Clock::now() + std::chrono::seconds(finish_limit_s);
    wait_for(taken, deadline);
    bool clean = true;
    for (Child *encoder : taken) {
        report(*encoder, "ffmpeg");
        clean = clean && failure(*encoder, "ffmpeg").empty();
    }
    if (clean && count > 1) {
        std::ofstream(encoding.list) << join_list(pieces);
        Child join = run(join_arguments(encoding.video, encoding.list, encoding.sound, encoding.partial), -1, -1);
        wait_for({&join}, deadline);
        report(join, "joining the pieces");
        clean = failure(join, "joining the pieces").empty();
    }
    const std::string wrong = clean ? check_video(encoding.video.ffprobe, encoding.partial, frames) : "";
    if (!wrong.empty())
        std::fprintf(stderr, "capture: %s\n", wrong.c_str());
    return clean && wrong.empty();
}

int keep(const Encoding &encoding, const std::vector<int> &frames_in, int verdict_in, int outcome_out)
{
    const bool whole = encoding.ranges.size() == 1;
    // One encoder per range, and the music's when it has a piece of its own:
    // encoded meanwhile, it leaves the join nothing to encode.
    std::vector<Child> encoders;
    for (std::size_t i = 0; i < encoding.ranges.size(); ++i) {
        const std::string &path = whole ? encoding.partial : encoding.pieces[i];
        encoders.push_back(run(encoder_arguments(encoding.video, path, whole), frames_in[i], -1, encoding.video.music));
        close(frames_in[i]);
    }
    if (!encoding.sound.empty()) {
        const long frames = encoding.ranges.back().end - encoding.ranges.front().first;
        const double seconds = offline::frame_seconds(frames, encoding.video.fps);
        encoders.push_back(run(sound_arguments(encoding.video, seconds, encoding.sound), -1, -1, encoding.video.music));
    }
    const Verdict verdict = wait_for_verdict(encoders, verdict_in);
    const bool ready = verdict.keep == keep_verdict && finish(encoding, encoders, verdict);
    for (Child &encoder : encoders) {
        kill_child(encoder);
        if (!encoder.killed)
            report(encoder, "ffmpeg");
    }
    const bool renamed = ready && std::rename(encoding.partial.c_str(), encoding.target.c_str()) == 0;
    if (ready && !renamed)
        std::fprintf(stderr, "capture: cannot rename %s to %s: %s\n", encoding.partial.c_str(),
                     encoding.target.c_str(), std::strerror(errno));
    for (const std::string &piece : encoding.pieces)
        std::remove(piece.c_str());
    std::remove(encoding.sound.c_str());
    std::remove(encoding.list.c_str());
    if (!renamed)
        std::remove(encoding.partial.c_str());
    const char outcome = renamed ? renamed_outcome : 0;
    (void)!write(outcome_out, &outcome, 1);
    return renamed ? 0 : 1;
}

}  // namespace

std::string start_keeper(const Encoding &encoding, std::vector<int> &frames)
{
    const std::size_t count = encoding.ranges.size();
    std::vector<int> read_ends;
    frames.clear();
    int verdict[2], outcome[2];
    bool made = pipe2(verdict, O_CLOEXEC) == 0 && pipe2(outcome, O_CLOEXEC) == 0;
    for (std::size_t i = 0; made && i < count; ++i) {
        int ends[2];
        made = pipe2(ends, O_CLOEXEC) == 0;
        if (made) {
            read_ends.push_back(ends[0]);
            frames.push_back(ends[1]);
        }
    }
    if (!made)
        return std::string("cannot make a pipe: ") + std::strerror(errno);
    keeper = fork();
    if (keeper == 0) {
        // Ctrl-C in the terminal goes to the capture's process group, not here.
        setpgid(0, 0);
        for (int caught : {SIGINT, SIGTERM, SIGALRM})
            signal(caught, SIG_DFL);
        for (int end : frames)
            close(end);
        close(verdict[1]);
        close(outcome[0]);
        _exit(keep(encoding, read_ends, verdict[0], outcome[1]));
    }
    for (int end : read_ends)
        close(end);
    close(verdict[0]);
    close(outcome[1]);
    if (keeper < 0) {
        for (int end : frames)
            close(end);
        close(verdict[1]);
        close(outcome[0]);
        return std::string("cannot start the encoders' keeper: ") + std::strerror(errno);
    }
    setpgid(keeper, keeper);
    watch_keeper(keeper, verdict[1]);
    outcome_in = outcome[0];
    return "";
}

bool end_keeper(bool keep)
{
    tell_verdict(keep);
    char outcome = 0;
    while (read(outcome_in, &outcome, 1) < 0 && errno == EINTR) {
    }
    close(outcome_in);
    while (waitpid(keeper, nullptr, 0) < 0 && errno == EINTR) {
    }
    keeper = -1;
    watch_keeper(-1, -1);
    return keep && outcome == renamed_outcome;
}

}  // namespace capture
