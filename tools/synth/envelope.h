// Envelopes as pure functions of the time since note-on, so a voice can be rendered in any order
// and a test can ask for any instant.
#pragma once

// Seconds, except sustain (a level, 0..1). Decay and release are timed to -60 dB, which is where the
// ear hears a note end.
struct Adsr {
    float attack, decay, sustain, release;
};

// Falls from 1 at t = 0 to 0.001 (-60 dB) at t = time.
float fall(float t, float time);

// Level at t seconds after note-on for a note held gate seconds: linear rise over attack, fall
// towards sustain, and from gate on a fall from wherever it was.
float adsr(const Adsr &e, float t, float gate);

// Seconds after note-on at which the release has reached -60 dB.
inline float adsr_length(const Adsr &e, float gate) { return gate + e.release; }
