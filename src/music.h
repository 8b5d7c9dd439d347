#pragma once

#include <cstddef>

#include <SDL_mixer.h>

// The most a music file may hold. The soundtrack is about 3 MB; a file far
// larger is not music for the demo, and reading it would hold up the start.
constexpr std::size_t max_music_bytes = std::size_t{64} << 20;

// A music file read once into memory and checked there. What the mixer is
// then given is this copy, so it plays exactly what was checked, whatever
// happens to the file meanwhile.
struct CheckedMusic {
    const unsigned char *bytes;  // the whole file; null when refused
    std::size_t size;
    const char *refusal;  // why the mixer must not have it; null when it may
};

// Reads the file at path once and walks every frame of that copy as the
// mixer's decoder syncs to them, through tags and junk. Only a regular file
// of at most max_music_bytes whose every frame is 44.1 kHz stereo passes:
// the mixer corrupts its heap on other MPEG audio and blocks on anything but
// a regular file. The copy and the refusal are this module's and stay until
// the next call: one music file at a time.
CheckedMusic read_checked_music(const char *path);

// The mixer's music over the checked copy, or null with SDL's error. The
// mixer reads the copy as it plays: read no other music before Mix_FreeMusic.
Mix_Music *music_from_memory(const CheckedMusic &music);

// Loads the demo's music from the first of its two places that holds a
// playable file. When neither does it prints "Mix_LoadMUS(): " and each
// name's reason on one line and returns null: the demo then runs silently.
Mix_Music *load_music();
