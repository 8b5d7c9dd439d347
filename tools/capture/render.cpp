#include "render.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <SDL.h>

#include "files.h"
#include "sink.h"
#include "stop.h"

namespace capture {

namespace {

// Writes a PNG under a name of its own first, so that a failed write leaves
// nothing behind and an older file of the same name stays as it was.
// Returns why it could not, or an empty string.
std::string write_shot(const offline::Frame &frame, const std::string &path)
{
    int fd = -1;
    std::string why;
    const std::string partial = make_partial(path, fd, why);
    if (partial.empty())
        return "cannot write " + path + ": " + why;
    close(fd);
    watch_files({partial}, path);
    errno = 0;
    const bool written = offline::write_png(frame, partial.c_str()) && std::rename(partial.c_str(), path.c_str()) == 0;
    if (!written) {
        why = "cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : "");
        std::remove(partial.c_str());
    }
    watch_files({}, "");
    return why;
}

// Whether frame n was kept; when not, why says what went wrong, or nothing
// when a stop cut the write short.
bool keep(const Options &options, const offline::Frame &frame, long n, std::string &why)
{
    if (options.shots.empty()) {
        const bool written = write_frame(n, frame.rgb.data(), frame.rgb.size());
        why = sink_failure();
        return written;
    }
    for (const Shot &shot : options.shots)
        if (offline::frame_at(shot.seconds, options.fps) == n && !(why = write_shot(frame, shot.path)).empty())
            return false;
    return true;
}

}  // namespace

bool is_kept(const Options &options, const Range &range, long n)
{
    if (n < range.first || n >= range.end)
        return false;
    return options.shots.empty() ||
           std::any_of(options.shots.begin(), options.shots.end(),
                       [&](const Shot &shot) { return offline::frame_at(shot.seconds, options.fps) == n; });
}

std::string render(const Options &options, int worker, const Range &range, const Tell &tell)
{
    if (stop_requested())
        return "";
    if (!offline::open_window(options.width, options.height))
        return std::string("cannot open an OpenGL window: ") + SDL_GetError();
    using Clock = std::chrono::steady_clock;
    Clock::time_point frame_began = Clock::now();
    std::string why;
    for (long n = 0; n < range.end && !stop_requested(); ++n) {
        offline::set_time(offline::frame_tick(options.start, options.fps, n));
        // The one place that decides what becomes of frame n.
        const bool kept = is_kept(options, range, n);
        const int part = offline::next_frame(kept ? Step::draw : Step::skip);
        if (part == 0)
            break;
        if (!kept) {
            frame_began = Clock::now();  // a seek is no frame's cost
            continue;
        }
        if (!keep(options, offline::last_frame(), n, why))
            break;
        const Clock::time_point now = Clock::now();
        Report report;
        report.worker = worker;
        report.frame = n;
        report.part = part;
        report.seconds = std::chrono::duration<double>(now - frame_began).count();
        tell(report);
        frame_began = now;
    }
    SDL_Quit();
    return why;
}

}  // namespace capture
