// The instruments. Each call renders one whole note, release included, into the mix buses at a
// sample position; notes never talk to each other, so there is no voice allocation.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "dsp.h"

struct Mix {
    Stereo steady;                 // heard as is
    Stereo pumped;                 // multiplied by duck before the final sum
    std::vector<float> duck;       // 1 = no ducking; every kick pulls it down for a moment
    std::vector<float> echo_send;  // mono sends to the ping-pong echo and the room
    std::vector<float> room_send;
};

Mix make_mix(std::size_t frames);

// vel is 0..1. bright (0..1) opens the filters: the arrangement sweeps it to build up sections.
// Pitches are MIDI note numbers; gate is how long the note is held, in seconds.
// The kick's thump falls onto tail_hz: tuned to the key, it does not beat against the bass.
void play_kick(Mix &m, std::size_t at, float vel, float tail_hz);
// The dip of the pumped bus under a kick; apart from the kick's sound so that a stem without the
// drums still pumps as it does in the mix.
void duck_under_kick(Mix &m, std::size_t at);
void play_snare(Mix &m, std::size_t at, float vel);
void play_clap(Mix &m, std::size_t at, float vel);
void play_hat(Mix &m, std::size_t at, float vel, bool open);
void play_bass(Mix &m, std::size_t at, int note, float gate, float vel, float bright);
// width (0..1) moves the pad's chord from the centre out to its detuned doubles at the sides.
void play_pad(Mix &m, std::size_t at, const std::array<int, 4> &notes, float gate, float vel, float bright,
              float width);
void play_pluck(Mix &m, std::size_t at, int note, float gate, float vel, float bright, float pan);
// width (0..1) leans the lead's two detuned doubles out to the sides.
void play_lead(Mix &m, std::size_t at, int note, float gate, float vel, float bright, float width);
void play_bell(Mix &m, std::size_t at, int note, float vel);
// A chord as an eight-bit machine plays one: a square wave running through the notes, pad[0..2].
void play_chip(Mix &m, std::size_t at, const std::array<int, 4> &notes, float gate, float vel);
void play_crash(Mix &m, std::size_t at, float vel);
void play_boom(Mix &m, std::size_t at, float vel);
// Band-passed noise gliding from from_hz to to_hz while its level goes from level_from to level_to:
// rising it builds tension, falling it empties the room.
void play_sweep(Mix &m, std::size_t at, float seconds, float from_hz, float to_hz, float level_from,
                float level_to);
