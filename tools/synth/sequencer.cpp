#include "sequencer.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dsp.h"

double beat_seconds(const TempoMark *marks, std::size_t count, double beat)
{
    std::size_t i = 1;
    while (i + 1 < count && marks[i].beat <= beat)
        ++i;
    const TempoMark &a = marks[i - 1], &b = marks[i];
    return a.seconds + (beat - a.beat) * (b.seconds - a.seconds) / (b.beat - a.beat);
}

std::size_t beat_sample(const TempoMark *marks, std::size_t count, double beat)
{
    return static_cast<std::size_t>(std::llround(beat_seconds(marks, count, beat) * sample_rate));
}

std::vector<Hit> pattern_hits(const char *pattern, int steps)
{
    std::vector<Hit> hits;
    const int period = static_cast<int>(std::strlen(pattern));
    int index = 0;
    for (int s = 0; s < steps; ++s) {
        const char c = pattern[s % period];
        if (c == '.' || c == '-')
            continue;
        int length = 1;
        while (s + length < steps && pattern[(s + length) % period] == '-')
            ++length;
        hits.push_back({s, length, c, index++});
    }
    return hits;
}

float velocity(char symbol)
{
    if (symbol >= '1' && symbol <= '9')
        return static_cast<float>(symbol - '0') / 9.0f;
    return 1.0f;
}

std::vector<int> parse_notes(const char *text)
{
    constexpr const char *letters = "CDEFGAB";
    constexpr int semitones[] = {0, 2, 4, 5, 7, 9, 11};  // above C
    std::vector<int> notes;
    for (const char *p = text; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        const char *letter = std::strchr(letters, std::toupper(static_cast<unsigned char>(*p)));
        const bool sharp = p[1] == '#';
        const char octave = p[sharp ? 2 : 1];
        if (!letter || !*letter || octave < '0' || octave > '9') {
            std::fprintf(stderr, "synth: bad note name at \"%s\"\n", p);
            std::exit(1);
        }
        notes.push_back(12 * (octave - '0' + 1) + semitones[letter - letters] + (sharp ? 1 : 0));
        p += sharp ? 3 : 2;
    }
    return notes;
}
