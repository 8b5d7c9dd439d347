#include "song.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects.h"
#include "sequencer.h"
#include "voices.h"

namespace {

// How the sections follow the demo. At 138 bpm a beat is 0.435 s and a bar 1.74 s. The demo starts
// the music right before its first frame, so a scene that starts T s into the demo's timeline starts
// T s into the track; each section begins on the beat nearest its scene's start.
//
//   beat   0    0.0 s  intro    decrunch screen (0.0 s): dark pad, ticking hats, slow arp
//   beat  19    8.3 s  entry    logo point cloud (8.2 s): kick and offbeat bass come in,
//                               the filters open while the logo approaches
//   beat  51   22.2 s  fill     one bar of snare roll and riser
//   beat  55   23.9 s  lift     cube field and title (23.7 s): crash, clap, open hats, the hook
//   beat  75   32.6 s  body     tile wave (32.5 s): sixteenth hats, rolling bass, leaping arp
//   beat  95   41.3 s  drive    starfield (41.3 s): more room: the second, higher hook with its echoes
//                               over kick, clap, open hats and bass
//   beat 135   58.7 s  drive    greetings (59.3 .. 79.3 s): full again: new chords, sixteenth hats,
//                               pad and arp instead of a hook
//   beat 171   74.3 s  break    the view swings back and locks: drums out, a long riser
//   beat 183   79.6 s  roll     snare roll while the ship stretches
//   beat 188   81.7 s  warp     the white flash, 40.45 s into the starfield (81.75 s): boom, crash,
//                               a falling sweep while the stars fly off
//   beat 193   83.9 s  calm     picture reveal (83.8 s): bells, a half-time beat, no four-to-the-floor
//   beat 213   92.6 s           a soft kick and a dotted arp join while the rows fill in
//   beat 233  101.3 s  finale   tree and credits (101.3 s): the full groove and the first hook
//   beat 268  116.5 s           fade, with the credits' fade to black (116.3 .. 117.3 s)
//   beat 280  121.7 s           silence
constexpr int fade_beat = 268;
constexpr int silent_beat = 280;
constexpr float fade_depth_db = -60.0f;

struct Chord {
    const char *name;
    int root;                // the bass plays it, low
    std::array<int, 4> pad;  // close voicing, so changes move the voices little
};

constexpr std::array<Chord, 5> chord_table = {{
    {"Am", 33, {57, 60, 64, 67}},
    {"F", 29, {53, 57, 60, 64}},
    {"C", 36, {55, 60, 64, 67}},
    {"G", 31, {55, 59, 62, 67}},
    {"Em", 28, {55, 59, 64, 67}},
}};

struct Phrase {
    const char *rhythm;  // a pattern, see sequencer.h
    const char *notes;   // taken in turn by the notes the rhythm starts, round again at the end
};

// Drums: the character is the velocity.
constexpr const char *four_to_the_floor = "x...x...x...x...";
constexpr const char *half_kick = "7.........6.....";
constexpr const char *backbeat = "....x.......x...";
constexpr const char *back_ghost = "....x......3x..3";
constexpr const char *half_snare = "........6.......";
constexpr const char *roll_bar = "4.4.5.5.66778899";
constexpr const char *roll_to_warp = "3...4...5.5.66778899";
constexpr const char *ticks = "4242424242424242";
constexpr const char *offbeat = "..x...x...x...x.";
constexpr const char *sixteenths = "3593359335933593";
constexpr const char *calm_hats = "..3...3...3...3.";

// Bass: 'x' the chord's root, 'o' an octave up.
constexpr const char *bass_offbeat = "..x-..x-..x-..x-";
constexpr const char *bass_rolling = ".xxo.xxo.xxo.xxo";
constexpr const char *bass_held = "x-------x---x---";

constexpr const char *pad_bar = "x---------------";
constexpr const char *pad_long = "x-------------------";

// Arpeggios: digit d plays the chord's pad note d % 4, (d / 4 + 1) octaves up.
constexpr const char *arp_pulse = "0.2.1.3.0.2.1.3.";
constexpr const char *arp_walk = "0123432101234321";
constexpr const char *arp_leap = "0415263704152637";
constexpr const char *arp_dotted = "0..2..4..1..3..5";

constexpr Phrase hook_a = {"x--x--x---x-x---x--x--x---x-x---x--x--x---x-x---x--x--x-x-x-x---",
                           "E5 C5 A4 B4 C5  A4 C5 F5 E5 C5  G5 E5 C5 D5 E5  D5 B4 G4 A4 B4 D5"};
constexpr Phrase hook_b = {"x.x.x..x..x.x.x.",
                           "C6 B5 A5 E5 A5 B5 C6  C6 A5 F5 C5 F5 A5 C6  "
                           "E6 D6 C6 G5 C6 D6 E6  D6 B5 G5 D5 G5 A5 B5"};
constexpr Phrase bell_tune = {"x-----x---x-----", "C6 A5 F5  D6 B5 G5  B5 G5 E5  C6 A5 E5"};

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
};

constexpr std::array<Section, 14> arrangement = {{
    // beat  chords       kick               snare         hat          open hat
    //       bass         pad       arp         lead     bells       brightness
    {0,      "Am Am F G", nullptr,           nullptr,      ticks,       nullptr,
             nullptr,     pad_bar,  arp_pulse,  nullptr, nullptr,    0.0f, 0.25f},
    {19,     "Am F C G",  four_to_the_floor, nullptr,      offbeat,     nullptr,
             bass_offbeat, pad_bar, arp_walk,   nullptr, nullptr,    0.25f, 0.5f},
    {35,     "Am F C G",  four_to_the_floor, backbeat,     offbeat,     nullptr,
             bass_offbeat, pad_bar, arp_walk,   nullptr, nullptr,    0.5f, 0.75f},
    {51,     "G",         nullptr,           roll_bar,     nullptr,     nullptr,
             nullptr,     pad_bar,  arp_walk,   nullptr, nullptr,    0.75f, 0.9f},
    {55,     "Am F C G",  four_to_the_floor, backbeat,     nullptr,     offbeat,
             bass_offbeat, pad_bar, arp_walk,   &hook_a, nullptr,    0.7f, 0.85f},
    {75,     "Am F C G",  four_to_the_floor, back_ghost,   sixteenths,  offbeat,
             bass_rolling, pad_bar, arp_leap,   &hook_a, nullptr,    1.0f, 1.0f},
    {95,     "Am F C G",  four_to_the_floor, back_ghost,   nullptr,     offbeat,
             bass_rolling, nullptr, nullptr,    &hook_b, nullptr,    1.0f, 1.0f},
    {135,    "F G Em Am", four_to_the_floor, back_ghost,   sixteenths,  offbeat,
             bass_rolling, pad_bar, arp_leap,   nullptr, nullptr,    1.0f, 1.0f},
    {171,    "F G Em Am", nullptr,           nullptr,      ticks,       nullptr,
             bass_held,   pad_bar,  arp_walk,   nullptr, nullptr,    0.3f, 1.0f},
    {183,    "G",         nullptr,           roll_to_warp, nullptr,     nullptr,
             nullptr,     pad_long, arp_walk,   nullptr, nullptr,    1.0f, 1.0f},
    {188,    "Am",        nullptr,           nullptr,      nullptr,     nullptr,
             nullptr,     pad_long, nullptr,    nullptr, nullptr,    0.6f, 0.3f},
    {193,    "F G Em Am", nullptr,           half_snare,   calm_hats,   nullptr,
             bass_held,   pad_bar,  nullptr,    nullptr, &bell_tune, 0.35f, 0.5f},
    {213,    "F G Em Am", half_kick,         half_snare,   calm_hats,   nullptr,
             bass_held,   pad_bar,  arp_dotted, nullptr, &bell_tune, 0.5f, 0.7f},
    {233,    "Am F C G",  four_to_the_floor, back_ghost,   sixteenths,  offbeat,
             bass_rolling, pad_bar, arp_leap,   &hook_a, nullptr,    1.0f, 1.0f},
}};

enum class Cue { crash, riser, boom, fall };

struct CueAt {
    int beat;
    Cue cue;
    int beats;  // length of a riser or a fall
};

constexpr std::array<CueAt, 11> cue_sheet = {{
    {51, Cue::riser, 4},    // into the title
    {55, Cue::crash, 0},    // title
    {75, Cue::crash, 0},    // tile wave
    {95, Cue::crash, 0},    // starfield
    {135, Cue::crash, 0},   // greetings
    {171, Cue::riser, 17},  // the view locks and the ship runs up to the warp
    {188, Cue::boom, 0},    // the flash
    {188, Cue::crash, 0},
    {188, Cue::fall, 5},    // the field empties
    {193, Cue::crash, 0},   // picture
    {233, Cue::crash, 0},   // tree and credits
}};

std::size_t beat_to_sample(int beat) { return step_to_sample(beat * steps_per_beat, tempo_bpm); }

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
    auto at = [&](int step) { return step_to_sample(s.beat * steps_per_beat + step, tempo_bpm); };
    auto gate = [](int length) { return static_cast<float>(length * step_seconds(tempo_bpm)); };
    auto chord = [&](int step) -> const Chord & { return *chords[(step / steps_per_bar) % chords.size()]; };
    auto bright = [&](int step) {
        return s.bright_from + (s.bright_to - s.bright_from) * static_cast<float>(step) / steps;
    };
    auto hits = [steps](const char *pattern) {
        return pattern ? pattern_hits(pattern, steps) : std::vector<Hit>();
    };

    for (const Hit &h : hits(s.kick)) {
        duck_under_kick(m, at(h.step));
        if (on(Stem::drums))
            play_kick(m, at(h.step), velocity(h.symbol));
    }
    if (on(Stem::drums)) {
        for (const Hit &h : hits(s.snare))
            play_snare(m, at(h.step), velocity(h.symbol));
        for (const Hit &h : hits(s.hat))
            play_hat(m, at(h.step), velocity(h.symbol), false);
        for (const Hit &h : hits(s.open_hat))
            play_hat(m, at(h.step), velocity(h.symbol), true);
    }
    for (const Hit &h : hits(on(Stem::bass) ? s.bass : nullptr)) {
        const int note = chord(h.step).root + (h.symbol == 'o' ? 12 : 0);
        play_bass(m, at(h.step), note, gate(h.length), 1.0f, bright(h.step));
    }
    for (const Hit &h : hits(on(Stem::pad) ? s.pad : nullptr))
        play_pad(m, at(h.step), chord(h.step).pad, gate(h.length), 1.0f, bright(h.step));
    for (const Hit &h : hits(on(Stem::arp) ? s.arp : nullptr)) {
        const int d = h.symbol - '0';
        const int note = chord(h.step).pad[d % 4] + 12 * (d / 4 + 1);
        const float pan = h.step % 2 ? 0.4f : -0.4f;
        play_pluck(m, at(h.step), note, gate(h.length), 1.0f, bright(h.step), pan);
    }
    if (s.lead && on(Stem::lead)) {
        const std::vector<int> notes = parse_notes(s.lead->notes);
        for (const Hit &h : hits(s.lead->rhythm))
            play_lead(m, at(h.step), notes[h.index % notes.size()], gate(h.length), 1.0f, bright(h.step));
    }
    if (s.bells && on(Stem::bell)) {
        const std::vector<int> notes = parse_notes(s.bells->notes);
        for (const Hit &h : hits(s.bells->rhythm))
            play_bell(m, at(h.step), notes[h.index % notes.size()], 1.0f);
    }
}

void play_cue(Mix &m, const CueAt &c)
{
    const std::size_t at = beat_to_sample(c.beat);
    const float seconds = static_cast<float>(c.beats * steps_per_beat * step_seconds(tempo_bpm));
    switch (c.cue) {
        case Cue::crash: play_crash(m, at, 1.0f); break;
        case Cue::riser: play_sweep(m, at, seconds, 300.0f, 9000.0f, 0.05f, 1.0f); break;
        case Cue::boom: play_boom(m, at, 1.0f); break;
        case Cue::fall: play_sweep(m, at, seconds, 7000.0f, 150.0f, 1.0f, 0.0f); break;
    }
}

// Gain of the closing fade: even steps in decibels, as the ear hears a fade.
float fade_gain(std::size_t i)
{
    const std::size_t from = beat_to_sample(fade_beat), to = beat_to_sample(silent_beat);
    if (i < from)
        return 1.0f;
    if (i >= to)
        return 0.0f;
    return db_to_gain(fade_depth_db * static_cast<float>(i - from) / static_cast<float>(to - from));
}

}  // namespace

Stereo render_song(std::optional<Stem> only)
{
    Mix m = make_mix(seconds_to_samples(song_seconds));
    for (std::size_t i = 0; i < arrangement.size(); ++i) {
        const int end = i + 1 < arrangement.size() ? arrangement[i + 1].beat : silent_beat;
        render_section(m, arrangement[i], end - arrangement[i].beat, only);
    }
    for (const CueAt &c : cue_sheet)
        if (!only || *only == (c.cue == Cue::crash ? Stem::drums : Stem::fx))
            play_cue(m, c);

    Stereo &out = m.steady;
    for (std::size_t i = 0; i < out.l.size(); ++i) {
        out.l[i] += m.pumped.l[i] * m.duck[i];
        out.r[i] += m.pumped.r[i] * m.duck[i];
    }
    add_echo(m.echo_send, out, step_to_sample(3, tempo_bpm), 0.4f, 3000.0f);  // a dotted eighth
    add_reverb(m.room_send, out, 0.75f, 0.35f);
    for (std::size_t i = 0; i < out.l.size(); ++i) {
        const float g = fade_gain(i);
        out.l[i] *= g;
        out.r[i] *= g;
    }
    return std::move(out);
}

std::vector<double> section_starts()
{
    std::vector<double> starts;
    for (const Section &s : arrangement)
        starts.push_back(s.beat * 60.0 / tempo_bpm);
    return starts;
}

std::vector<double> bar_starts()
{
    std::vector<double> bars;
    for (std::size_t i = 0; i < arrangement.size(); ++i) {
        const int end = i + 1 < arrangement.size() ? arrangement[i + 1].beat : fade_beat;
        for (int beat = arrangement[i].beat; beat < end; beat += 4)
            bars.push_back(beat * 60.0 / tempo_bpm);
    }
    bars.push_back(fade_beat * 60.0 / tempo_bpm);
    return bars;
}
