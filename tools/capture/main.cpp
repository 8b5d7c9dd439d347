// Plays the demo's timeline on a fixed-step clock, through the same seam and
// the same offline player as the tests, and turns the frames into a video
// (or PNG screenshots, or raw frames). The kept frames are shared among
// workers, one per core, each rendering a range of its own from its own
// start; their encoded pieces are joined without re-encoding.

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "files.h"
#include "keeper.h"
#include "music.h"
#include "offline.h"
#include "options.h"
#include "partit.h"
#include "progress.h"
#include "render.h"
#include "sink.h"
#include "split.h"
#include "standard_streams.h"
#include "stop.h"
#include "tally.h"
#include "timeline.h"
#include "workers.h"

namespace {

using namespace capture;

constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

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

int cores()
{
    cpu_set_t usable;
    return sched_getaffinity(0, sizeof usable, &usable) == 0 ? CPU_COUNT(&usable) : 1;
}

// A worker per core, as long as each has enough to do to be worth its start
// (a window, an encoder, a seek).
int default_jobs(const Options &options, const offline::PartStarts &starts, long first, long end)
{
    constexpr double least_work_s = 2;  // reference seconds a worker is given at least
    const long pixels = static_cast<long>(options.width) * options.height;
    std::vector<Range> drawn = {{first, end}};
    if (!options.shots.empty()) {
        drawn.clear();
        for (long shot : shot_frames(options))
            drawn.push_back({shot, shot + 1});
    }
    double work = 0;
    for (const Range &range : drawn)
        for (double part : work_between(starts, options.fps, pixels, range.first, range.end))
            work += part;
    return std::clamp(static_cast<int>(work / least_work_s), 1, cores());
}

// Points every output at the file it will replace, through any symlinks,
// and refuses one that may not be replaced. Returns why, with the exit
// status, or an empty string.
std::string settle_outputs(Options &options, const FileId &music, int &status)
{
    std::vector<std::string *> outputs;
    for (Shot &shot : options.shots)
        outputs.push_back(&shot.path);
    if (outputs.empty())
        outputs.push_back(options.raw.empty() ? &options.output : &options.raw);
    for (std::string *output : outputs) {
        std::string target;
        const std::string why = output_target(*output, target, status);
        if (!why.empty())
            return "cannot write " + *output + ": " + why;
        if (same_file(target, music)) {
            status = exit_usage;
            return "the output " + *output + " is the soundtrack; choose another name";
        }
        *output = target;
    }
    return "";
}

// Unfinished work goes under names of its own to this run, beside the
// target, so that the final name only ever holds a complete file and runs
// side by side do not mix their work. Returns an error text, or an empty
// string; fd is open on the first name.
std::string make_partials(const std::string &target, std::size_t count, std::vector<std::string> &names, int &fd)
{
    for (std::size_t i = 0; i < count; ++i) {
        int made = -1;
        std::string why;
        names.push_back(make_partial(target, made, why));
        if (names.back().empty()) {
            names.pop_back();
            for (const std::string &name : names)
                std::remove(name.c_str());
            return "cannot write " + target + ": " + why;
        }
        if (i == 0)
            fd = made;
        else
            close(made);
    }
    return "";
}

// Starts the keeper with one encoder per range; sets where each range's
// frames go. Returns an error text, or an empty string.
std::string start_video(const Options &options, Video video, const std::vector<Range> &ranges,
                        std::vector<int> &frames)
{
    Encoding encoding;
    encoding.video = video;
    encoding.video.width = options.width;
    encoding.video.height = options.height;
    encoding.video.fps = options.fps;
    encoding.video.music_from = offline::frame_seconds(ranges.front().first, options.fps);
    encoding.video.master = options.master;
    encoding.video.crf = options.crf;
    encoding.video.preset = options.preset;
    encoding.ranges = ranges;
    encoding.target = options.output;
    // The video; with several ranges a piece for each, one for the music and
    // the list that joins them.
    const bool sound_piece = ranges.size() > 1 && video.music >= 0;
    const std::size_t pieces = ranges.size() > 1 ? ranges.size() + 1 + sound_piece : 0;
    std::vector<std::string> names;
    int fd = -1;
    const std::string unmade = make_partials(options.output, 1 + pieces, names, fd);
    if (!unmade.empty())
        return unmade;
    close(fd);
    watch_files(names, options.output);
    encoding.partial = names[0];
    if (pieces > 0) {
        encoding.pieces.assign(names.begin() + 1, names.begin() + 1 + ranges.size());
        if (sound_piece)
            encoding.sound = names[1 + ranges.size()];
        encoding.list = names.back();
    }
    const std::string unstarted = start_keeper(encoding, frames);
    if (!unstarted.empty())
        for (const std::string &name : names)
            std::remove(name.c_str());
    return unstarted;
}

// Puts the raw frames kept from the first on, whichever worker drew them,
// in place, or removes the file when there are none or a failure came.
// Returns the failure, or why the file could not be put in place.
std::string finish_raw(const Options &options, const std::string &partial, int fd, long kept, std::string failure)
{
    const off_t bytes = static_cast<off_t>(kept) * options.width * options.height * 3;
    if (kept > 0 && failure.empty() && ftruncate(fd, bytes) != 0)
        failure = "cannot write " + options.raw + ": " + std::strerror(errno);
    if (close(fd) != 0 && kept > 0 && failure.empty())
        failure = "cannot write " + options.raw + ": " + std::strerror(errno);
    disarm_watchdog();
    if (kept > 0 && failure.empty() && std::rename(partial.c_str(), options.raw.c_str()) != 0)
        return "cannot rename " + partial + " to " + options.raw + ": " + std::strerror(errno) +
               "; the finished file is left under the first name";
    if (kept == 0 || !failure.empty())
        std::remove(partial.c_str());
    return failure;
}

}  // namespace

int main(int argc, char **argv)
{
    fill_closed_standard_streams();
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
    for (auto [program, path, role] : {std::tuple{"ffmpeg", &job.ffmpeg, "encodes"}, {"ffprobe", &job.ffprobe, "checks"}}) {
        *path = video ? find_on_path(program) : "";
        if (video && path->empty())
            return fail(exit_failed, std::string(program) + " is not on PATH; it " + role +
                                         " the video (Debian package ffmpeg)");
    }
    const std::string music = options.music.empty() ? offline::beside_program("data/tapestrybeats.mp3") : options.music;
    const FileId music_id = file_id(music);
    int status = 0;
    if (video && !options.no_audio) {
        // Read once and checked as the demo checks it: ffmpeg gets this very
        // copy, whatever happens to the file meanwhile.
        const CheckedMusic checked = read_checked_music(music.c_str());
        // A file there that is no music is a wrong argument; no file at all, a failure to run.
        if (checked.refusal)
            return fail(music_id.inode ? exit_usage : exit_failed,
                        std::string("the soundtrack ") + checked.refusal + " (choose one with --music)");
        std::string why;
        job.music = sealed_copy(checked.bytes, checked.size, why);
        if (job.music < 0)
            return fail(exit_failed, "cannot keep a copy of the soundtrack: " + why);
    }
    const std::string unwritable = settle_outputs(options, music_id, status);
    if (!unwritable.empty())
        return fail(status, unwritable);

    // Nothing is shown: SDL's offscreen driver draws the very same frames
    // without a window, an X server or its copies of every frame.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const long pixels = static_cast<long>(options.width) * options.height;
    const int jobs = options.jobs > 0 ? options.jobs : default_jobs(options, starts, first, end);
    const std::vector<Range> ranges = options.shots.empty()
                                          ? split_work(starts, options.fps, pixels, first, end, jobs)
                                          : split_shots(shot_frames(options), jobs);
    watch_ranges(ranges);
    // Where each worker's frames go: its encoder, or its own handle on the raw file.
    std::vector<int> own(ranges.size(), -1);
    std::string raw_partial;
    int raw_fd = -1;
    if (video) {
        const std::string unstarted = start_video(options, job, ranges, own);
        if (!unstarted.empty())
            return fail(exit_failed, unstarted);
    } else if (!options.raw.empty()) {
        std::vector<std::string> names;
        const std::string unmade = make_partials(options.raw, 1, names, raw_fd);
        if (!unmade.empty())
            return fail(exit_failed, unmade);
        raw_partial = names[0];
        watch_files(names, options.raw);
        for (int &fd : own)
            fd = fcntl(raw_fd, F_DUPFD_CLOEXEC, 0);
    }

    Tally tally = start_tally(options, starts, ranges);
    std::string failure;
    run_workers(
        static_cast<int>(ranges.size()), own,
        [&](int worker, const Tell &tell) {
            if (video)
                open_pipe_sink(own[worker]);
            else if (!options.raw.empty())
                open_file_sink(own[worker], first);
            std::string why = render(options, worker, ranges[worker], tell);
            close_sink();
            if (why.empty())
                why = sink_failure();
            return why.empty() || options.raw.empty() ? why : "cannot write " + options.raw + ": " + why;
        },
        [&](const Report &report) {
            if (report.told == Told::failed) {
                if (failure.empty())
                    failure = report.why;
                return false;
            }
            note_frame(tally, report, terminal);
            return true;
        });
    if (terminal)
        std::fputc('\n', stderr);
    std::fputs(cost_report(tally.costs, options.fps).c_str(), stderr);

    const long kept = whole_frames();
    const bool whole = failure.empty() && kept > 0;
    if (video && !end_keeper(whole) && whole)
        return fail(exit_failed, "no video written");  // the keeper has said why
    if (!options.raw.empty())
        failure = finish_raw(options, raw_partial, raw_fd, whole ? kept : 0, failure);
    if (!failure.empty())
        return fail(exit_failed, failure + (video ? "; no video written" : ""));
    if (options.shots.empty() && kept == 0)
        return fail(stop_requested() ? exit_interrupted : exit_failed,
                    std::string("interrupted before any frame was kept; no ") + (video ? "video" : "file") + " written");
    if (video)
        std::fprintf(stderr, "capture: %s %ld frames (%s) of %dx%d at %s fps to %s\n",
                     stop_requested() ? "interrupted; wrote the first" : "wrote", kept,
                     clock_text(offline::frame_seconds(kept, options.fps)).c_str(), options.width, options.height,
                     rate_text(options.fps).c_str(), real_path(options.output).c_str());
    return stop_requested() ? exit_interrupted : 0;
}
