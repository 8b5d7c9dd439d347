// Plays the demo's timeline on a fixed-step clock, through the same seam and
// the same offline player as the tests, and turns the frames into a video
// (or PNG screenshots, or raw frames). Frames before --from are stepped
// through without drawing: later scenes depend on the state, and the rand
// sequence, that earlier frames leave behind.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include <SDL.h>

#include "offline.h"
#include "options.h"
#include "partit.h"
#include "progress.h"
#include "sink.h"
#include "timeline.h"

namespace {

using namespace capture;

constexpr int exit_failed = 1;
constexpr int exit_usage = 2;
constexpr int exit_interrupted = 130;

// Redraw the progress line at most this often; the terminal need not see every frame.
constexpr double progress_interval_s = 0.1;

volatile std::sig_atomic_t stop_signal;

void request_stop(int signal) { stop_signal = signal; }

void catch_stop_signals()
{
    struct sigaction action = {};
    action.sa_handler = request_stop;
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A dead ffmpeg shows up as a failed write, not as a killed capture.
    std::signal(SIGPIPE, SIG_IGN);
}

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


struct Run {
    long drawn = 0;      // frames drawn, kept or not
    bool sink_ok = true;
    std::array<SceneCost, final_part + 1> costs{};
};

Run play(const Options &options, long end, long first, bool to_sink)
{
    using Clock = std::chrono::steady_clock;
    const bool show_progress = isatty(STDERR_FILENO);
    const Clock::time_point began = Clock::now();
    Clock::time_point frame_began = began;
    double shown_at = -progress_interval_s;
    Run run;
    for (long n = 0; n < end && !stop_signal && run.sink_ok; ++n) {
        offline::set_time(frame_tick(options.start, options.fps, n));
        const bool kept = to_sink && n >= first;
        const bool shot_here = std::any_of(options.shots.begin(), options.shots.end(),
                                           [&](const Shot &shot) { return frame_at(shot.seconds, options.fps) == n; });
        // Frames nobody sees are skipped: the scenes' state moves on as if
        // they were drawn, at a small part of the cost.
        const int part = offline::next_frame(kept || shot_here ? Step::draw : Step::skip);
        if (part == 0)
            break;
        const offline::Frame &frame = offline::last_frame();
        if (kept)
            run.sink_ok = write_frame(frame.rgb.data(), frame.rgb.size());
        for (const Shot &shot : options.shots) {
            if (frame_at(shot.seconds, options.fps) == n && !offline::write_png(frame, shot.path.c_str())) {
                std::fprintf(stderr, "\ncapture: cannot write %s\n", shot.path.c_str());
                run.sink_ok = false;
            }
        }
        ++run.drawn;
        const Clock::time_point now = Clock::now();
        run.costs[part].frames += 1;
        run.costs[part].seconds += std::chrono::duration<double>(now - frame_began).count();
        frame_began = now;
        const double elapsed = std::chrono::duration<double>(now - began).count();
        if (show_progress && (elapsed - shown_at >= progress_interval_s || run.drawn == end)) {
            shown_at = elapsed;
            const std::string line = progress_line(run.drawn, end, scene_name(part), run.drawn / elapsed);
            std::fprintf(stderr, "\r%s\033[K", line.c_str());
        }
    }
    if (show_progress)
        std::fputc('\n', stderr);
    return run;
}

}  // namespace

int main(int argc, char **argv)
{
    // First of all, so that a stop request during start-up is not fatal either.
    catch_stop_signals();
    Options options;
    const std::string wrong = parse_options(argc, argv, options);
    if (!wrong.empty())
        return fail(exit_usage, wrong + " (capture --help lists the options)");
    if (options.help) {
        std::fputs(usage(), stdout);
        return 0;
    }
    long first = 0, end = 0;
    const long total = timeline_frames(options.start, options.fps);
    const std::string outside = kept_frames(options, total, first, end);
    if (!outside.empty())
        return fail(exit_usage, outside);

    const bool video = options.shots.empty() && options.raw.empty();
    Video job;
    if (video) {
        job.ffmpeg = find_on_path("ffmpeg");
        if (job.ffmpeg.empty())
            return fail(exit_failed, "ffmpeg is not on PATH; it encodes the video (Debian package ffmpeg)");
        job.music = options.music.empty() ? offline::beside_program("data/tapestrybeats.mp3") : options.music;
        if (std::FILE *music = std::fopen(job.music.c_str(), "rb"))
            std::fclose(music);
        else
            return fail(exit_failed, "cannot read the soundtrack " + job.music + " (choose one with --music)");
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
    // Unfinished work goes under a name of its own, so that the final name
    // only ever holds a complete, playable file.
    const std::string partial = options.output + ".partial";
    std::string opened;
    if (video) {
        job.path = partial;
        job.width = options.width;
        job.height = options.height;
        job.fps = options.fps;
        job.music_from = static_cast<double>(first) / options.fps;
        opened = open_video(job);
    } else if (!options.raw.empty()) {
        opened = open_raw(options.raw);
    }
    if (!opened.empty())
        return fail(exit_failed, opened);

    const Run run = play(options, end, first, video || !options.raw.empty());
    const long kept = std::max(0L, run.drawn - first);
    const bool closed = (video || !options.raw.empty()) ? close_sink() : true;
    SDL_Quit();
    std::fputs(cost_report(run.costs.data(), final_part + 1, options.fps).c_str(), stderr);

    if (video) {
        if (!closed || !run.sink_ok || kept == 0) {
            std::remove(partial.c_str());
            if (stop_signal)
                return fail(exit_interrupted, "interrupted before any frame was kept; no video written");
            return fail(exit_failed, "ffmpeg failed; no video written");
        }
        if (std::rename(partial.c_str(), options.output.c_str()) != 0)
            return fail(exit_failed, "cannot rename " + partial + " to " + options.output);
        std::fprintf(stderr, "capture: %s %ld frames (%s) of %dx%d at %d fps to %s\n",
                     stop_signal ? "interrupted; wrote the first" : "wrote", kept,
                     clock_text(static_cast<double>(kept) / options.fps).c_str(), options.width, options.height,
                     options.fps, real_path(options.output).c_str());
    } else if (!closed || !run.sink_ok) {
        return fail(exit_failed, "writing the frames failed");
    }
    return stop_signal ? exit_interrupted : 0;
}
