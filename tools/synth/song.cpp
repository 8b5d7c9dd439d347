#include "song.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects.h"
#include "sequencer.h"
#include "voices.h"

namespace {

// How the song follows the demo. The demo starts the music right before its first frame, so a scene
// that starts T s into the demo starts T s into the track. A tempo map puts a beat on every cut, the
// tempo between two cuts steady and near 138 bpm (a beat about 0.435 s, a bar 1.74 s):
//
//   beat   0    0.0 s  intro    decrunch screen: dark pad, ticking hats, a slow arp, the hook's
//                               notes foretold on the bell
//   beat  19    8.2 s  entry    logo: crash, kick, offbeat bass; the lead's long-note theme
//   beat  35   15.2 s           the backbeat joins, the theme climbs an octave
//   beat  51   22.0 s  fill     a bar of snare roll and riser
//   beat  55   23.7 s  hook     cube field and title: crash and the hook; the last beat stops
//   beat  75   32.5 s  drop     tile wave: sixteenth hats, rolling bass, the hook climbing
//   beat  95   41.3 s  space    starfield: half time, the second, higher hook with its echoes, a wide pad
//   beat 111   48.3 s  drive    the beat and the rolling bass return under the hook's answer
//   beat 127   55.2 s  breakdown  drums and bass out, long notes, a riser
//   beat 135   58.7 s  drive    greetings (59.3 .. 79.3 s): new chords and a third tune
//   beat 171   74.3 s  break    the view swings back and locks: drums out, a long riser
//   beat 183   79.6 s  roll     snare roll while the ship stretches
//   beat 188   81.75 s warp     the white flash: boom, crash, a falling sweep as the stars fly off
//   beat 193   83.8 s  calm     picture reveal: the bells' tune over a half-time beat
//   beat 213   92.5 s           a soft kick and a dotted arp join while the rows fill in
//   beat 233  101.3 s  finale   tree and credits: a new groove, the hook and a closing phrase
//   beat 265  115.4 s  stop     two beats of the lead alone
//   beat 267  116.3 s  end      the tonic, with a crash and a boom, as the picture fades to black;
//                               everything has died away by the demo's end at 121.3 s
constexpr std::array<TempoMark, 9> tempo_map = {{
    {0, 0.0},
    {19, 8.2},
    {55, 23.7},
    {75, 32.5},
    {95, 41.3},
    {188, 81.75},
    {193, 83.8},
    {233, 101.3},
    {267, 116.3},
}};
constexpr int closing_beat = 267;
constexpr double tail_fade_from = 119.3, tail_fade_to = 121.3;  // s: the echoes' last repeats die by the end
constexpr int last_beat = 271;  // the ending holds the tonic for a bar

double seconds_at(double beat) { return beat_seconds(tempo_map.data(), tempo_map.size(), beat); }
std::size_t sample_at(double beat) { return beat_sample(tempo_map.data(), tempo_map.size(), beat); }

struct Chord {
    const char *name;
    int root;                // the bass plays it, low
    std::array<int, 4> pad;  // close voicing, so changes move the voices little
};

constexpr std::array<Chord, 7> chord_table = {{
    {"Am", 33, {57, 60, 64, 67}},
    {"F", 29, {53, 57, 60, 64}},
    {"C", 36, {55, 60, 64, 67}},
    {"G", 31, {55, 59, 62, 67}},
    {"Em", 28, {55, 59, 64, 67}},
    {"E", 28, {56, 59, 64, 68}},
    {"Dm", 26, {57, 62, 65, 69}},
}};

struct Phrase {
    const char *rhythm;  // a pattern, see sequencer.h
    const char *notes;   // taken in turn by the notes the rhythm starts, round again at the end
};

// Drums: the character is the velocity.
constexpr const char *four_to_the_floor = "x...x...x...x...";
constexpr const char *half_kick = "7.........6.....";
constexpr const char *downbeat = "x...............";
constexpr const char *backbeat = "....x.......x...";
constexpr const char *back_ghost = "....x......3x..3";
constexpr const char *half_snare = "........6.......";
constexpr const char *roll_bar = "4.4.5.5.6677889.";  // the last step empty, so the downbeat stands out
constexpr const char *roll_to_warp = "3...4...5.5.6677889.";
constexpr const char *ticks = "4242424242424242";
constexpr const char *offbeat = "..x...x...x...x.";
constexpr const char *sixteenths = "3593359335933593";
constexpr const char *calm_hats = "..3...3...3...3.";

// Bass: 'o' plays the chord's root an octave up, any other character the root at that velocity.
constexpr const char *bass_offbeat = "..x-..x-..x-..x-";
constexpr const char *bass_rolling = ".xxo.xxo.xxo.xxo";
constexpr const char *bass_drive = "x-xo-xxo-xo-x-xo";
constexpr const char *bass_held = "x-------x---x---";
constexpr const char *bass_soft = "5-------4---4---";
constexpr const char *held_long = "x-------------------";  // one note through a five-beat bar

constexpr const char *pad_bar = "x---------------";

// Arpeggios: digit d plays the chord's pad note d % 4, (d / 4 + 1) octaves up.
constexpr const char *arp_pulse = "0.2.1.3.0.2.1.3.";
constexpr const char *arp_walk = "0123432101234321";
constexpr const char *arp_leap = "0415263704152637";
constexpr const char *arp_dotted = "0..2..4..1..3..5";

// The tunes, a bar of rhythm and its notes at a time.
constexpr Phrase foretold = {"x-----x---x-----" "x-----x---x-----" "x-----x---x-----" "x-----x---x---x-"
                             "x-----x-----",
                             "E5 C5 A4  B4 C5 E5  F5 E5 C5  D5 B4 G4 B4  G#4 B4"};
constexpr Phrase logo_theme = {"x-------x---x---" "x-----------x---" "x-------x---x---" "x-------x-------",
                               "A4 C5 E5  F5 E5  G5 E5 C5  D5 B4"};
constexpr Phrase logo_climb = {"x-------x---x-x-" "x-------x---x---" "x-----x-----x---" "x-------x---x---",
                               "A4 C5 E5 A5  C6 A5 F5  G5 E5 C6  B5 G5 D5"};
constexpr Phrase hook = {"x--x--x---x-x---" "x--x--x---x-x---" "x--x--x---x-x---" "x--x--x-x-x-x---"
                         "x-x-x-x-x-x-x---",
                         "E5 C5 A4 B4 C5  A4 C5 F5 E5 C5  G5 E5 C5 D5 E5  D5 B4 G4 A4 B4 D5  "
                         "E5 D5 C5 B4 A4 G#4 B4"};
constexpr Phrase hook_climbing = {"x--x--x---x-x---" "x--x--x---x-x---" "x--x--x---x-x---" "x--x--x-x-x-x---"
                                  "x-----x-----x---",
                                  "A5 E5 C5 D5 E5  C6 A5 F5 G5 A5  G5 C6 E6 D6 C6  B5 G5 D5 E5 G5 B5  "
                                  "B5 G#5 E5"};
constexpr Phrase high_hook = {"x-x-x--x--x-x-x-",
                              "C6 B5 A5 E5 A5 B5 C6  C6 A5 F5 C5 F5 A5 C6  E6 D6 C6 G5 C6 D6 E6  "
                              "D6 B5 G5 D5 G5 A5 B5"};
constexpr Phrase high_hook_answer = {"x-x-x--x--x-x-x-",
                                     "E5 A5 B5 C6 B5 A5 E5  F5 A5 C6 F6 C6 A5 F5  G5 C6 D6 E6 D6 C6 G5  "
                                     "B5 D6 B5 G5 D5 G5 B5"};
constexpr Phrase long_notes = {"x---------------" "x-------x-------", "A5  G5 B5"};
constexpr Phrase greetings_tune = {"x--x--x-x-------" "x--x--x-x-------" "x--x--x-x-------" "x--x--x-x---x---"
                                   "x-x-x-x-x-x-x---" "x-x-x-x-x-x-x---" "x-x-x-x-x-x-x---" "x-------x---x---"
                                   "x-----x-----x---",
                                   "C6 A5 F5 A5  D6 B5 G5 B5  E6 B5 G5 B5  C6 B5 A5 E5 A5  "
                                   "F5 A5 C6 F6 E6 C6 A5  G5 B5 D6 G6 D6 B5 G5  E5 G5 B5 E6 D6 B5 G5  "
                                   "A5 C6 E6  G#5 B5 E6"};
constexpr Phrase locking = {"x-----------x---" "x-----------x---" "x---------------", "A5 G5  B5 A5  G5"};
constexpr Phrase bells_revealing = {"x-----x---x-----",
                                    "C6 A5 F5  D6 B5 G5  B5 G5 E5  C6 A5 E5  D6 A5 F5"};
constexpr Phrase bells_filling = {"x---x---x-----x-" "x---x---x-----x-" "x---x---x-----x-" "x---x---x-----x-"
                                  "x-----x---x-----",
                                  "A5 C6 F6 E6  B5 D6 G6 F6  G5 B5 E6 D6  C6 E6 A6 G6  B5 G#5 E5"};
constexpr Phrase finale = {"x--x--x---x-x---" "x--x--x---x-x---" "x--x--x---x-x---" "x--x--x-x-x-x---"
                           "x--x--x---x-x---" "x--x--x---x-x---" "x--x--x-x-x-x---" "x-----x---x-x-x-",
                           "E5 C5 A4 B4 C5  A4 C5 F5 E5 C5  G5 E5 C5 D5 E5  D5 B4 G4 A4 B4 D5  "
                           "E5 A5 C6 B5 A5  F5 A5 C6 D6 C6  G5 B5 D6 E6 D6 B5  E6 B5 G#5 A5 B5"};
constexpr Phrase bells_answering = {"x-------x-------",
                                    "A5 E6  F5 C6  G5 E6  G5 D6  A5 C6  F5 A5  G5 B5  G#5 B5"};
constexpr Phrase pickup = {"x---x---", "G#5 B5"};
constexpr Phrase tonic = {"x---------------", "A5"};

struct Section {
    int beat;            // start, in beats from the top of the track
    const char *chords;  // one per bar, repeated
    const char *kick;
    const char *snare;
    const char *hat;
    const char *open_hat;
    const char *bass;
    const char *pad;
    const char *arp;
    const Phrase *lead;
    const Phrase *bells;
    float bright_from, bright_to;  // how far the filters are open, swept across the section
    int stop;                      // steps at the end in which drums and bass rest, before a cut's hit
    float width;                   // how far the lead is spread, see play_lead
    float vel;                     // of the pad, the arp, the lead and the bells
};

constexpr std::array<Section, 19> arrangement = {{
    // beat  chords         kick               snare         hat          open hat
    //       bass           pad       arp          lead            bells             brightness    stop width vel
    {0,      "Am Am F G E", nullptr,           nullptr,      ticks,       nullptr,
             nullptr,       pad_bar,  arp_pulse,   nullptr,        &foretold,        0.0f, 0.25f,  0, 0.0f, 0.5f},
    {19,     "Am F C G",    four_to_the_floor, nullptr,      offbeat,     nullptr,
             bass_offbeat,  pad_bar,  arp_walk,    &logo_theme,    nullptr,          0.25f, 0.5f,  0, 0.0f, 1.0f},
    {35,     "Am F C G",    four_to_the_floor, backbeat,     offbeat,     nullptr,
             bass_offbeat,  pad_bar,  arp_walk,    &logo_climb,    nullptr,          0.5f, 0.75f,  0, 0.0f, 1.0f},
    {51,     "E",           nullptr,           roll_bar,     nullptr,     nullptr,
             nullptr,       pad_bar,  arp_walk,    nullptr,        nullptr,          0.75f, 0.9f,  0, 0.0f, 1.0f},
    {55,     "Am F C G E",  four_to_the_floor, backbeat,     nullptr,     offbeat,
             bass_offbeat,  pad_bar,  arp_walk,    &hook,          nullptr,          0.7f, 0.85f,  4, 0.0f, 1.0f},
    {75,     "Am F C G E",  four_to_the_floor, back_ghost,   sixteenths,  offbeat,
             bass_rolling,  pad_bar,  arp_leap,    &hook_climbing, nullptr,          1.0f, 1.0f,   4, 0.0f, 1.0f},
    {95,     "Am F C G",    half_kick,         half_snare,   calm_hats,   nullptr,
             bass_held,     pad_bar,  nullptr,     &high_hook,     nullptr,          0.6f, 1.0f,   0, 1.0f, 1.0f},
    {111,    "Am F C G",    four_to_the_floor, back_ghost,   nullptr,     offbeat,
             bass_rolling,  pad_bar,  nullptr,     &high_hook_answer, nullptr,       1.0f, 1.0f,   0, 1.0f, 1.0f},
    {127,    "F G",         nullptr,           nullptr,      nullptr,     nullptr,
             nullptr,       pad_bar,  arp_walk,    &long_notes,    nullptr,          0.4f, 0.9f,   0, 1.0f, 1.0f},
    {135,    "F G Em Am F G Em Am E", four_to_the_floor, back_ghost,   sixteenths,  offbeat,
             bass_rolling,  pad_bar,  arp_leap,    &greetings_tune, nullptr,         1.0f, 1.0f,   0, 1.0f, 1.0f},
    {171,    "F G Em",      nullptr,           nullptr,      ticks,       nullptr,
             bass_held,     pad_bar,  arp_walk,    &locking,       nullptr,          0.3f, 1.0f,   0, 1.0f, 1.0f},
    {183,    "G",           nullptr,           roll_to_warp, nullptr,     nullptr,
             nullptr,       held_long, arp_walk,   nullptr,        nullptr,          1.0f, 1.0f,   0, 0.0f, 1.0f},
    {188,    "Am",          nullptr,           nullptr,      nullptr,     nullptr,
             nullptr,       held_long, nullptr,    nullptr,        nullptr,          0.6f, 0.3f,   0, 0.0f, 1.0f},
    {193,    "F G Em Am Dm", nullptr,          half_snare,   calm_hats,   nullptr,
             bass_soft,     pad_bar,  nullptr,     nullptr,        &bells_revealing, 0.35f, 0.5f,  0, 0.0f, 1.0f},
    {213,    "F G Em Am E", half_kick,         half_snare,   calm_hats,   nullptr,
             bass_soft,     pad_bar,  arp_dotted,  nullptr,        &bells_filling,   0.5f, 0.7f,   4, 0.0f, 1.0f},
    {233,    "Am F C G Am F G E", four_to_the_floor, back_ghost, sixteenths, offbeat,
             bass_drive,    pad_bar,  arp_leap,    &finale,        &bells_answering, 1.0f, 1.0f,   0, 0.5f, 1.0f},
    {265,    "E",           nullptr,           nullptr,      nullptr,     nullptr,
             nullptr,       pad_bar,  nullptr,     &pickup,        nullptr,          0.8f, 0.8f,   0, 0.0f, 1.0f},
    {267,    "Am",          downbeat,          nullptr,      nullptr,     nullptr,
             pad_bar,       pad_bar,  nullptr,     &tonic,         &tonic,           0.8f, 0.2f,   0, 0.0f, 1.0f},
    // Where the ending's bar ends: nothing starts here.
    {last_beat, "Am",       nullptr,           nullptr,      nullptr,     nullptr,
             nullptr,       nullptr,  nullptr,     nullptr,        nullptr,          0.0f, 0.0f,   0, 0.0f, 1.0f},
}};

enum class Cue { crash, riser, boom, fall };

struct CueAt {
    int beat;
    Cue cue;
    int beats;  // length of a riser or a fall
};

constexpr std::array<CueAt, 17> cue_sheet = {{
    {19, Cue::crash, 0},    // logo
    {51, Cue::riser, 4},    // into the title
    {55, Cue::crash, 0},    // title
    {75, Cue::crash, 0},    // tile wave
    {95, Cue::crash, 0},    // starfield
    {107, Cue::riser, 4},   // back to the full beat
    {127, Cue::riser, 8},   // out of the breakdown
    {135, Cue::crash, 0},   // greetings
    {171, Cue::riser, 17},  // the view locks and the ship runs up to the warp
    {188, Cue::boom, 0},    // the flash
    {188, Cue::crash, 0},
    {188, Cue::fall, 5},    // the field empties
    {193, Cue::crash, 0},   // picture
    {233, Cue::crash, 0},   // tree and credits
    {265, Cue::riser, 2},
    {267, Cue::boom, 0},    // the end
    {267, Cue::crash, 0},
}};

const Chord &find_chord(const char *name, std::size_t length)
{
    for (const Chord &c : chord_table)
        if (std::strlen(c.name) == length && std::strncmp(c.name, name, length) == 0)
            return c;
    std::fprintf(stderr, "synth: no chord named %.*s\n", static_cast<int>(length), name);
    std::exit(1);
}

std::vector<const Chord *> parse_chords(const char *text)
{
    std::vector<const Chord *> chords;
    for (const char *p = text; *p;) {
        const std::size_t length = std::strcspn(p, " ");
        if (length)
            chords.push_back(&find_chord(p, length));
        p += length;
        if (*p)
            ++p;
    }
    return chords;
}

void render_section(Mix &m, const Section &s, int beats, std::optional<Stem> only)
{
    auto on = [only](Stem stem) { return !only || *only == stem; };
    const int steps = beats * steps_per_beat;
    const std::vector<const Chord *> chords = parse_chords(s.chords);
    auto beat = [&](int step) { return s.beat + static_cast<double>(step) / steps_per_beat; };
    auto at = [&](int step) { return sample_at(beat(step)); };
    auto gate = [&](const Hit &h) {
        return static_cast<float>(seconds_at(beat(h.step + h.length)) - seconds_at(beat(h.step)));
    };
    auto chord = [&](int step) -> const Chord & { return *chords[(step / steps_per_bar) % chords.size()]; };
    auto bright = [&](int step) {
        return s.bright_from + (s.bright_to - s.bright_from) * static_cast<float>(step) / steps;
    };
    auto hits = [steps](const char *pattern) {
        return pattern ? pattern_hits(pattern, steps) : std::vector<Hit>();
    };
    // Drums and bass, but for the stop at the end.
    auto rhythm = [&](const char *pattern) {
        std::vector<Hit> kept = hits(pattern);
        while (!kept.empty() && kept.back().step >= steps - s.stop)
            kept.pop_back();
        return kept;
    };

    for (const Hit &h : rhythm(s.kick)) {
        duck_under_kick(m, at(h.step));
        if (on(Stem::drums))
            play_kick(m, at(h.step), velocity(h.symbol));
    }
    if (on(Stem::drums)) {
        for (const Hit &h : rhythm(s.snare))
            play_snare(m, at(h.step), velocity(h.symbol));
        for (const Hit &h : rhythm(s.hat))
            play_hat(m, at(h.step), velocity(h.symbol), false);
        for (const Hit &h : rhythm(s.open_hat))
            play_hat(m, at(h.step), velocity(h.symbol), true);
    }
    for (const Hit &h : rhythm(on(Stem::bass) ? s.bass : nullptr)) {
        const int note = chord(h.step).root + (h.symbol == 'o' ? 12 : 0);
        play_bass(m, at(h.step), note, gate(h), velocity(h.symbol), bright(h.step));
    }
    for (const Hit &h : hits(on(Stem::pad) ? s.pad : nullptr))
        play_pad(m, at(h.step), chord(h.step).pad, gate(h), s.vel, bright(h.step));
    for (const Hit &h : hits(on(Stem::arp) ? s.arp : nullptr)) {
        const int d = h.symbol - '0';
        const int note = chord(h.step).pad[d % 4] + 12 * (d / 4 + 1);
        const float pan = h.step % 2 ? 0.6f : -0.6f;
        play_pluck(m, at(h.step), note, gate(h), s.vel, bright(h.step), pan);
    }
    if (s.lead && on(Stem::lead)) {
        const std::vector<int> notes = parse_notes(s.lead->notes);
        for (const Hit &h : hits(s.lead->rhythm))
            play_lead(m, at(h.step), notes[h.index % notes.size()], gate(h), s.vel, bright(h.step), s.width);
    }
    if (s.bells && on(Stem::bell)) {
        const std::vector<int> notes = parse_notes(s.bells->notes);
        for (const Hit &h : hits(s.bells->rhythm))
            play_bell(m, at(h.step), notes[h.index % notes.size()], s.vel);
    }
}

void play_cue(Mix &m, const CueAt &c)
{
    const std::size_t at = sample_at(c.beat);
    const float seconds = static_cast<float>(seconds_at(c.beat + c.beats) - seconds_at(c.beat));
    switch (c.cue) {
        case Cue::crash: play_crash(m, at, 1.0f); break;
        case Cue::riser: play_sweep(m, at, seconds, 300.0f, 9000.0f, 0.05f, 1.0f); break;
        case Cue::boom: play_boom(m, at, 1.0f); break;
        case Cue::fall: play_sweep(m, at, seconds, 7000.0f, 150.0f, 1.0f, 0.0f); break;
    }
}

// Gain of the guard fade on the tail: even steps in decibels to -60 dB, as the ear hears a fade.
float tail_gain(std::size_t i)
{
    const double t = static_cast<double>(i) / sample_rate;
    if (t < tail_fade_from)
        return 1.0f;
    if (t >= tail_fade_to)
        return 0.0f;
    return db_to_gain(static_cast<float>(-60.0 * (t - tail_fade_from) / (tail_fade_to - tail_fade_from)));
}

}  // namespace

Stereo render_song(std::optional<Stem> only)
{
    Mix m = make_mix(seconds_to_samples(song_seconds));
    for (std::size_t i = 0; i + 1 < arrangement.size(); ++i)
        render_section(m, arrangement[i], arrangement[i + 1].beat - arrangement[i].beat, only);
    for (const CueAt &c : cue_sheet)
        if (!only || *only == (c.cue == Cue::crash ? Stem::drums : Stem::fx))
            play_cue(m, c);

    Stereo &out = m.steady;
    for (std::size_t i = 0; i < out.l.size(); ++i) {
        out.l[i] += m.pumped.l[i] * m.duck[i];
        out.r[i] += m.pumped.r[i] * m.duck[i];
    }
    const std::size_t dotted_eighth = sample_at(95.75) - sample_at(95);
    add_echo(m.echo_send, out, dotted_eighth, 0.4f, 3000.0f);
    add_reverb(m.room_send, out, 0.75f, 0.35f);
    block_dc(out);
    for (std::size_t i = seconds_to_samples(tail_fade_from); i < out.l.size(); ++i) {
        out.l[i] *= tail_gain(i);
        out.r[i] *= tail_gain(i);
    }
    return std::move(out);
}

std::vector<double> section_starts()
{
    std::vector<double> starts;
    for (std::size_t i = 0; i + 1 < arrangement.size(); ++i)
        starts.push_back(seconds_at(arrangement[i].beat));
    return starts;
}

std::vector<double> bar_starts()
{
    std::vector<double> bars;
    for (std::size_t i = 0; i + 1 < arrangement.size() && arrangement[i].beat < closing_beat; ++i)
        for (int beat = arrangement[i].beat; beat < arrangement[i + 1].beat; beat += 4)
            bars.push_back(seconds_at(beat));
    bars.push_back(seconds_at(closing_beat));
    return bars;
}

std::vector<double> beat_starts()
{
    std::vector<double> beats;
    for (int beat = 0; beat <= closing_beat; ++beat)
        beats.push_back(seconds_at(beat));
    return beats;
}
