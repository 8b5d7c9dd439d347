// Plays the demo's timeline on a fixed-step clock, through the same seam and
// the same offline player as the tests, and turns the frames into a video
// (or PNG screenshots, or raw frames). Frames that are not kept are stepped
// through without drawing: later scenes depend on the state, and the rand
// sequence, that earlier frames leave behind.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <SDL.h>

#include "estimate.h"
#include "files.h"
#include "keeper.h"
#include "offline.h"
#include "options.h"
#include "partit.h"
#include "progress.h"
#include "sink.h"
#include "standard_streams.h"
#include "stop.h"
#include "timeline.h"

namespace {

using namespace capture;

constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

// On a terminal the progress line is redrawn at most this often; elsewhere
// (a log file, nohup, CI) a line is printed every plain_interval_s or every
// 1/plain_steps of the frames, whichever comes first.
constexpr double progress_interval_s = 0.1;
constexpr double plain_interval_s = 10;
constexpr long plain_steps = 20;

// Whether stderr is a terminal, where the progress line is redrawn in place
// and a message must first end it.
bool terminal;

int fail(int status, const std::string &message)
{
    std::fprintf(stderr, "capture: %s\n", message.c_str());
    return status;
}

std::string real_path(const std::string &path)
{
    char resolved[4096];
    return realpath(path.c_str(), resolved) ? resolved : path;
}

// Writes a PNG under a name of its own first, so that a failed write leaves
// nothing behind and an older file of the same name stays as it was.
bool write_shot(const offline::Frame &frame, const std::string &path)
{
    int fd = -1;
    std::string why;
    const std::string partial = make_partial(path, fd, why);
    if (partial.empty()) {
        std::fprintf(stderr, "%scapture: cannot write %s: %s\n", terminal ? "\n" : "", path.c_str(), why.c_str());
        return false;
    }
    close(fd);
    watch_file(partial);
    errno = 0;
    const bool written = offline::write_png(frame, partial.c_str()) && std::rename(partial.c_str(), path.c_str()) == 0;
    if (!written) {
        std::fprintf(stderr, "%scapture: cannot write %s%s%s\n", terminal ? "\n" : "", path.c_str(),
                     errno ? ": " : "", errno ? std::strerror(errno) : "");
        std::remove(partial.c_str());
    }
    watch_file("");
    return written;
}

struct Run {
    long drawn = 0;        // frames drawn: those kept
    long kept = 0;         // frames written whole
    bool failed = false;   // a write failed (not a stop cutting one short)
    SceneCosts costs{};
    Pace pace;
};

// Whether frame n goes to the sink, or to at least one PNG.
bool is_kept(const Options &options, long first, long n)
{
    if (options.shots.empty())
        return n >= first;
    return std::any_of(options.shots.begin(), options.shots.end(),
                       [&](const Shot &shot) { return offline::frame_at(shot.seconds, options.fps) == n; });
}

long pixels(const Options &options) { return static_cast<long>(options.width) * options.height; }

// Reference work of the frames after n that will be drawn: the kept ones.
PartWork work_left(const Options &options, const offline::PartStarts &starts, long first, long n, long end)
{
    if (options.shots.empty())
        return work_between(starts, options.fps, pixels(options), std::max(n + 1, first), end);
    PartWork work{};
    for (const Shot &shot : options.shots) {
        const long at = offline::frame_at(shot.seconds, options.fps);
        if (at > n) {
            const PartWork one = work_between(starts, options.fps, pixels(options), at, at + 1);
            for (std::size_t part = 0; part < work.size(); ++part)
                work[part] += one[part];
        }
    }
    return work;
}

bool keep(const Options &options, const offline::Frame &frame, long n)
{
    if (options.shots.empty())
        return write_frame(frame.rgb.data(), frame.rgb.size());
    bool written = true;
    for (const Shot &shot : options.shots)
        if (offline::frame_at(shot.seconds, options.fps) == n)
            written = write_shot(frame, shot.path) && written;
    return written;
}

// When the last progress line was shown: seconds into the run, and which
// 1/plain_steps of the frames.
struct Shown {
    double at = 0;
    long step = 0;
};

// Frames done counts the frames stepped through, drawn or skipped; the rate
// counts the drawn ones.
void show_progress(const Run &run, const Options &options, const offline::PartStarts &starts, long first, long n,
                   long end, int part, double elapsed, Shown &shown)
{
    const long done = n + 1;
    const long step = done * plain_steps / end;
    const bool due = terminal ? elapsed - shown.at >= progress_interval_s
                              : elapsed - shown.at >= plain_interval_s || step > shown.step;
    if (!due && done < end)
        return;
    shown = {elapsed, step};
    const double left = seconds_left(run.costs, run.pace, work_left(options, starts, first, n, end));
    const std::string line = progress_line(done, end, offline::scene_name(part), run.drawn / elapsed, left);
    std::fprintf(stderr, terminal ? "\r%s\033[K" : "capture: %s\n", line.c_str());
}

Run play(const Options &options, const offline::PartStarts &starts, long first, long end)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point began = Clock::now();
    Clock::time_point frame_began = began;
    Shown shown;
    Run run;
    for (long n = 0; n < end && !stop_requested() && !run.failed; ++n) {
        offline::set_time(offline::frame_tick(options.start, options.fps, n));
        // The one place that decides what becomes of frame n. Frames nobody
        // sees are skipped: the scenes' state moves on as if they were drawn.
        const bool kept = is_kept(options, first, n);
        const int part = offline::next_frame(kept ? Step::draw : Step::skip);
        if (part == 0)
            break;
        if (!kept)
            continue;
        if (keep(options, offline::last_frame(), n))
            note_kept(++run.kept);
        else
            run.failed = !stop_requested();
        ++run.drawn;
        const Clock::time_point now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - frame_began).count();
        const double work = reference_cost(offline::frame_seconds(n, options.fps), part, pixels(options));
        SceneCost &cost = run.costs[part];
        cost.frames += 1;
        cost.seconds += seconds;
        cost.work += work;
        add_frame(run.pace, seconds, work);
        frame_began = now;
        show_progress(run, options, starts, first, n, end, part, std::chrono::duration<double>(now - began).count(),
                      shown);
    }
    if (terminal)
        std::fputc('\n', stderr);
    return run;
}

// Unfinished work goes under a name of its own to this run, so that the
// final name only ever holds a complete file and runs side by side do not
// mix their work. Returns an error text, or an empty string and partial.
std::string open_sink(const Options &options, Video job, long first, const std::string &target,
                      std::string &partial)
{
    int fd = -1;
    std::string why;
    partial = make_partial(target, fd, why);
    if (partial.empty())
        return "cannot write " + target + ": " + why;
    watch_file(partial, target);
    if (!options.raw.empty()) {
        open_raw(fd);
        return "";
    }
    close(fd);
    job.path = partial;
    job.target = target;
    job.width = options.width;
    job.height = options.height;
    job.fps = options.fps;
    job.music_from = offline::frame_seconds(first, options.fps);
    job.master = options.master;
    job.crf = options.crf;
    job.preset = options.preset;
    const std::string opened = open_video(job);
    if (!opened.empty())
        std::remove(partial.c_str());
    return opened;
}

}  // namespace

int main(int argc, char **argv)
{
    fill_closed_standard_streams();
    if (argc > 4 && std::strcmp(argv[1], keeper_mode) == 0)
        return keep_encoder(argv);
    catch_stop_signals();
    terminal = isatty(STDERR_FILENO);
    Options options;
    const std::string wrong = parse_options(argc, argv, options);
    if (!wrong.empty())
        return fail(exit_usage, wrong + " (capture --help lists the options)");
    if (options.help) {
        std::fputs(usage(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("capture " CAPTURE_VERSION " (plums under glass)");
        return 0;
    }
    long first = 0, end = 0;
    const offline::PartStarts starts = offline::part_starts(options.start, options.fps);
    const std::string outside = kept_frames(options, starts[final_part], first, end);
    if (!outside.empty())
        return fail(exit_usage, outside);

    const bool video = options.shots.empty() && options.raw.empty();
    Video job;
    if (video) {
        job.ffmpeg = find_on_path("ffmpeg");
        if (job.ffmpeg.empty())
            return fail(exit_failed, "ffmpeg is not on PATH; it encodes the video (Debian package ffmpeg)");
    }
    if (video && !options.no_audio) {
        job.music = options.music.empty() ? offline::beside_program("data/tapestrybeats.mp3") : options.music;
        FileId music;
        int status = 0;
        const std::string unusable = check_music(job.music, music, status);
        if (!unusable.empty())
            return fail(status, unusable);
        if (same_file(options.output, music))
            return fail(exit_usage, "the output " + options.output + " is the soundtrack; choose another with -o");
    }
    std::vector<std::string> targets = {video ? options.output : options.raw};
    if (!options.shots.empty()) {
        targets.clear();
        for (const Shot &shot : options.shots)
            targets.push_back(shot.path);
    }
    for (const std::string &target : targets) {
        const std::string why = unwritable(target);
        if (!why.empty())
            return fail(exit_failed, "cannot write " + target + ": " + why);
    }

    if (!offline::open_window(options.width, options.height))
        return fail(exit_failed, std::string("cannot open an OpenGL window: ") + SDL_GetError());
    const bool to_sink = options.shots.empty();
    std::string partial;
    if (to_sink) {
        const std::string unopened = open_sink(options, job, first, targets[0], partial);
        if (!unopened.empty())
            return fail(exit_failed, unopened);
    }

    const Run run = play(options, starts, first, end);
    const bool closed = to_sink ? close_sink(run.kept > 0 && !run.failed) : true;
    SDL_Quit();
    std::fputs(cost_report(run.costs, options.fps).c_str(), stderr);

    if (to_sink) {
        if (!closed || run.failed || run.kept == 0) {
            std::remove(partial.c_str());
            if (stop_requested() && run.kept == 0)
                return fail(exit_interrupted, "interrupted before any frame was kept; no video written");
            return fail(exit_failed, video ? "ffmpeg failed; no video written" : "writing the frames failed");
        }
        disarm_watchdog();
        // A video is put in place by the encoder's keeper once ffmpeg has finished it.
        if (!video && std::rename(partial.c_str(), targets[0].c_str()) != 0)
            return fail(exit_failed, "cannot rename " + partial + " to " + targets[0] + ": " + std::strerror(errno) +
                                         "; the finished file is left under the first name");
    } else if (run.failed) {
        return exit_failed;
    }
    if (video)
        std::fprintf(stderr, "capture: %s %ld frames (%s) of %dx%d at %s fps to %s\n",
                     stop_requested() ? "interrupted; wrote the first" : "wrote", run.kept,
                     clock_text(offline::frame_seconds(run.kept, options.fps)).c_str(), options.width, options.height,
                     rate_text(options.fps).c_str(), real_path(options.output).c_str());
    return stop_requested() ? exit_interrupted : 0;
}
