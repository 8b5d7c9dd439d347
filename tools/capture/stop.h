#pragma once

#include <sys/types.h>

#include <string>

// Ctrl-C and SIGTERM. The capture stops after the frame in hand, lets the
// encoder finish the file, and ends. A watchdog, armed by the first stop
// request, makes that happen within a second in every state: when the way
// out has not ended the process by then (a frame still drawing, an encoder
// that stopped reading or takes too long), it kills the encoder, removes the
// unfinished file and exits with status 130.
namespace capture {

constexpr int exit_interrupted = 130;

// Installs the handlers; first of all, so that a stop during start-up is
// caught too. Blocking calls are not restarted: they return when a stop
// arrives.
void catch_stop_signals();

bool stop_requested();

// What the watchdog cleans up, while there is such a thing: the file being
// written (empty for none) and the encoder (-1 for none).
void watch_file(const std::string &path);
void watch_encoder(pid_t encoder);

// For when the work is done and what is left is quick: the watchdog no
// longer fires.
void disarm_watchdog();

}  // namespace capture
