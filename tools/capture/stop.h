#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "report.h"
#include "split.h"

// Ctrl-C and SIGTERM. The workers stop after the frame in hand, the encoders
// finish their pieces, the keeper joins them, and the capture ends. A
// watchdog, armed by the first stop request, makes that happen within a
// second in every state. When the way out has not ended the capture by then
// (a frame still drawing, an encoder that stopped reading or takes long to
// finish), it ends it with status 130: a video with a whole first stretch of
// frames is left to the encoder's keeper to finish and put in place;
// anything else unfinished is removed, its encoders killed.
namespace capture {

constexpr int exit_interrupted = 130;

// Installs the handlers; first of all, so that a stop during start-up is
// caught too. Blocking calls are not restarted: they return when a stop
// arrives.
void catch_stop_signals();

bool stop_requested();

// In a worker: a stop ends its own work; the capture watches over the rest.
void become_worker();

// What the watchdog looks after, while there is such a thing: the files
// being written (removed when it gives up) and the one they become; the
// encoders' keeper (-1 for none, else also its process group) with its
// verdict descriptor; the workers (sent each stop; killed when it gives up)
// with the pipe of their reports; the ranges they render and the frames each
// has kept so far.
void watch_files(const std::vector<std::string> &paths, const std::string &target);
void watch_keeper(pid_t keeper, int verdict);
void watch_workers(const std::vector<pid_t> &workers, int reports);
void watch_ranges(const std::vector<Range> &ranges);
void note_kept(int worker, long frames);

// Reads the workers' next report, counting the frames they keep where the
// watchdog sees them. Returns 1 for a report, 0 once every worker has
// closed the pipe, -1 when a signal cut the wait short.
int take_report(Report &report);

// Frames from the first on that were all kept.
long whole_frames();

// Tells the keeper, once, whether to keep the video, with the frames kept.
void tell_verdict(bool keep);

// For when the work is done and what is left is quick: the watchdog no
// longer fires.
void disarm_watchdog();

}  // namespace capture
