#pragma once

#include <SDL_mixer.h>

// Why the mixer must not be given this file, or null when it may. The mixer
// corrupts its heap on MPEG audio that is not 44.1 kHz stereo and blocks on
// anything but a regular file, so only a regular file whose every frame, as
// the decoder syncs to them through tags and junk, is 44.1 kHz stereo passes.
// A file that cannot be opened is left to the mixer to report.
const char *unplayable_reason(const char *path);

// Loads the demo's music from the first of its two places that holds a
// playable file. When neither does it prints "Mix_LoadMUS(): <reason>" and
// returns null: the demo then runs silently.
Mix_Music *load_music();
