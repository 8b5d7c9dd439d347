// Step timing and the pattern notation the arrangement is written in.
#pragma once

#include <cstddef>
#include <vector>

constexpr int steps_per_beat = 4;  // a step is a sixteenth note
constexpr int steps_per_bar = 16;

// A point of the tempo map: the beat that falls at a given time. Between two marks the tempo is
// steady, so that a cut in the picture can fall exactly on a beat; after the last it stays as it was.
struct TempoMark {
    double beat;
    double seconds;
};

// Seconds at which a beat falls (fractions of a beat are its steps), from at least two marks in order.
double beat_seconds(const TempoMark *marks, std::size_t count, double beat);

// The sample at which that beat begins, rounded on its own, so that long songs do not drift.
std::size_t beat_sample(const TempoMark *marks, std::size_t count, double beat);

// A pattern has one character per step and repeats to fill its section:
//   '.' rest, '-' holds the note before it, any other character starts a note.
// For drums the character is the velocity: '1'..'9' is 1/9..9/9, 'x' is full.
struct Hit {
    int step;     // from the start of the section
    int length;   // steps, counting the holds that follow (cut at the end of the section)
    char symbol;  // the character that started it
    int index;    // how many notes of the pattern came before it in the section
};

std::vector<Hit> pattern_hits(const char *pattern, int steps);

float velocity(char symbol);

// Note names such as "A4", "C#5", separated by spaces; C4 is MIDI 60, A4 is MIDI 69. A name that is
// not a note stops the program with a message: the song data has a typo.
std::vector<int> parse_notes(const char *text);
