#pragma once

#include <sys/types.h>

#include <string>

// Ctrl-C and SIGTERM. The capture stops after the frame in hand, lets the
// encoder finish the file, and ends. A watchdog, armed by the first stop
// request, makes that happen within a second in every state. When the way
// out has not ended the process by then (a frame still drawing, an encoder
// that stopped reading or takes long to finish), it ends it with status 130:
// a video with frames kept is left to the encoder's keeper to finish and put
// in place; anything else unfinished is removed, its encoder killed.
namespace capture {

constexpr int exit_interrupted = 130;

// Installs the handlers; first of all, so that a stop during start-up is
// caught too. Blocking calls are not restarted: they return when a stop
// arrives.
void catch_stop_signals();

bool stop_requested();

// What the watchdog looks after, while there is such a thing: the file being
// written (empty for none) and what it becomes, the encoder's keeper (-1 for
// none, else also its process group) with its verdict descriptor, and the
// frames kept so far.
void watch_file(const std::string &path, const std::string &target = "");
void watch_encoder(pid_t keeper, int verdict);
void note_kept(long frames);

// Tells the keeper, once, whether to keep the video it is finishing, and
// how many frames that must hold.
void tell_verdict(bool keep, long frames);

// For when the work is done and what is left is quick: the watchdog no
// longer fires.
void disarm_watchdog();

}  // namespace capture
