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
// tempo between two cuts steady; each scene has a groove of its own:
//
//   beat   0    0.0 s  intro    decrunch screen: an eight-bit machine's chords, ticking hats, the
//                               hook's notes foretold on the bell; a heartbeat kick and a riser
//   beat  19    8.2 s  logo     house at 139 bpm: four on the floor, offbeat bass, the long-note
//                               theme over Am Dm F G; then claps and open hats, the theme climbs
//   beat  51   22.0 s  fill     a bar of snare roll and riser, slowing into the title's tempo
//   beat  55   23.7 s  hook     cube field and title at 136 bpm: a shuffled breakbeat and the hook
//   beat  75   32.5 s  drop     tile wave at 164 bpm: a two-step beat, the chords falling Am G F E
//   beat  99   41.3 s  space    starfield, up a minor third into C minor: half time, a wide pad
//   beat 115   48.3 s  drive    the full beat and the rolling bass return under the hook's answer
//   beat 131   55.2 s  breakdown  drums and bass out, long notes, a riser
//   beat 139   58.7 s  drive    greetings (59.3 .. 79.3 s): new chords and a third tune
//   beat 175   74.4 s  break    the view swings back and locks: drums out, a long riser
//   beat 187   79.6 s  roll     snare roll on E while the ship stretches: the way back home
//   beat 192   81.75 s warp     the white flash, in A minor: boom, crash, a falling sweep
//   beat 197   83.8 s  calm     picture reveal: a lazy swung beat, the bells over chords that walk
//                               round the circle of fifths; a soft kick joins as the rows fill in
//   beat 237  101.3 s  finale   tree and credits: four on the floor with claps, the hook at home
//   beat 269  115.4 s  stop     two beats of the lead alone
//   beat 271  116.3 s  end      the tonic, with a crash and a boom, as the picture fades to black;
//                               everything has died away by the demo's end at 121.3 s
constexpr std::array<TempoMark, 13> tempo_map = {{
    {0, 0.0},
    {19, 8.2},
    // The fill's beats stretch one by one from the logo's tempo to the title's.
    {51, 21.96},
    {52, 22.392},
    {53, 22.826},
    {54, 23.262},
    {55, 23.7},
    {75, 32.5},
    {99, 41.3},
    {192, 81.75},
    {197, 83.8},
    {237, 101.3},
    {271, 116.3},
}};
constexpr int closing_beat = 271;
constexpr double tail_fade_from = 119.3, tail_fade_to = 121.3;  // s: the echoes' last repeats die by the end
constexpr int last_beat = 275;  // the ending holds the tonic for a bar
constexpr int home_tonic = 33;  // A1: the kick's tail sits on the tonic of the key it plays in

double seconds_at(double beat) { return beat_seconds(tempo_map.data(), tempo_map.size(), beat); }
std::size_t sample_at(double beat) { return beat_sample(tempo_map.data(), tempo_map.size(), beat); }

struct Chord {
    const char *name;
    int root;                // the bass plays it, low
    std::array<int, 4> pad;  // close voicing, so changes move the voices little
};

// Roots from G1 up, so that the lowest bass notes still carry harmonics a small speaker plays.
constexpr std::array<Chord, 7> chord_table = {{
    {"Am", 33, {57, 60, 64, 67}},
    {"F", 41, {53, 57, 60, 64}},
    {"C", 36, {55, 60, 64, 67}},
    {"G", 31, {55, 59, 62, 67}},
    {"Em", 40, {55, 59, 64, 67}},
    {"E", 40, {56, 59, 64, 68}},
    {"Dm", 38, {57, 62, 65, 69}},
}};

struct Phrase {
    const char *rhythm;  // a pattern, see sequencer.h
    const char *notes;   // taken in turn by the notes the rhythm starts, round again at the end
};

// Drums: the character is the velocity.
struct Groove {
    const char *kick, *snare, *clap, *hat, *open_hat;
    float swing;  // of every second sixteenth, in steps late: 0 is straight, a third a shuffle
};

constexpr const char *ticks = "4242424242424242";
constexpr const char *four_to_the_floor = "x...x...x...x...";
constexpr const char *offbeat = "..x...x...x...x.";
constexpr const char *backbeat = "....x.......x...";
constexpr const char *back_ghost = "....x......3x..3";
constexpr const char *sixteenths = "3593359335933593";

constexpr Groove silence = {nullptr, nullptr, nullptr, nullptr, nullptr, 0.0f};
constexpr Groove decrunch = {nullptr, nullptr, nullptr, ticks, nullptr, 0.0f};
constexpr Groove heartbeat = {"6..4............", nullptr, nullptr, ticks, nullptr, 0.0f};
constexpr Groove house_bare = {four_to_the_floor, nullptr, nullptr, offbeat, nullptr, 0.0f};
constexpr Groove house = {four_to_the_floor, nullptr, backbeat, "3.3.3.3.3.3.3.3.", offbeat, 0.0f};
// The last step empty, so the downbeat stands out.
constexpr Groove fill = {nullptr, "4.4.5.5.6677889.", nullptr, nullptr, nullptr, 0.0f};
constexpr Groove breakbeat = {"x.....x...x..x..", "....x..3.3..x...", nullptr, "x3x3x3x3x3x3x3x3", "..............x.",
                              0.3f};
constexpr Groove two_step = {"x.........x.....", "....x.......x..4", nullptr, "x.5.x.5.x.5.x.5.", nullptr, 0.0f};
constexpr Groove half_time = {"7..........5....", "........6.......", nullptr, "..3...3...3...3.", nullptr, 0.0f};
constexpr Groove drive = {four_to_the_floor, back_ghost, nullptr, sixteenths, offbeat, 0.0f};
constexpr Groove greetings = {four_to_the_floor, back_ghost, backbeat, sixteenths, offbeat, 0.0f};
constexpr Groove roll_to_warp = {nullptr, "3...4...5.5.6677889.", nullptr, nullptr, nullptr, 0.0f};
constexpr Groove lazy = {nullptr, "....5.......5...", nullptr, "4252425242524252", nullptr, 0.2f};
constexpr Groove lazy_kick = {"x......6..x.....", "....5.......5...", nullptr, "4252425242524252", nullptr, 0.2f};
constexpr Groove finale = {four_to_the_floor, backbeat, "....x.......x..x", sixteenths, "..x...x...x...x.", 0.0f};
constexpr Groove downbeat = {"x...............", nullptr, nullptr, nullptr, nullptr, 0.0f};

// Bass: 'o' plays the chord's root an octave up, any other character the root at that velocity.
constexpr const char *bass_offbeat = "..x-..x-..x-..x-";
constexpr const char *bass_bouncing = "..x-..o-..x-..o-";
constexpr const char *bass_break = "x-.x-.x-..x-.xo.";
constexpr const char *bass_rolling = ".xxo.xxo.xxo.xxo";
constexpr const char *bass_two_step = "x-----x---x---o-";
constexpr const char *bass_held = "x-------x---x---";
constexpr const char *bass_soft = "5-------4---4---";
constexpr const char *bass_finale = "x--xo-x--xo-x-xo";

constexpr const char *pad_bar = "x---------------";
constexpr const char *held_long = "x-------------------";  // one note through a five-beat bar
constexpr const char *chip_halves = "x-------x-------";

// Arpeggios: digit d plays the chord's pad note d % 4, (d / 4 + 1) octaves up.
constexpr const char *arp_pulse = "0.2.1.3.0.2.1.3.";
constexpr const char *arp_walk = "0123432101234321";
constexpr const char *arp_leap = "0415263704152637";
constexpr const char *arp_dotted = "0..2..4..1..3..5";

// The tunes, a bar of rhythm and its notes at a time, written in A minor: a section's key moves them.
constexpr Phrase foretold = {"x-----x---x-----", "E5 C5 A4  B4 C5 E5  F5 E5 C5"};
constexpr Phrase foretold_end = {"x-----x---x---x-" "x-----x-----", "D5 B4 G4 B4  G#4 B4"};
constexpr Phrase logo_theme = {"x-------x---x---" "x-----------x---" "x-------x---x---" "x-------x-------",
                               "A4 C5 E5  F5 E5  G5 E5 C5  D5 B4"};
constexpr Phrase logo_climb = {"x-------x---x-x-" "x-------x---x---" "x-----x-----x---" "x-------x---x---",
                               "A4 C5 E5 A5  C6 A5 F5  G5 E5 C6  B5 G5 D5"};
constexpr Phrase hook = {"x--x--x---x-x---" "x--x--x---x-x---" "x--x--x---x-x---" "x--x--x-x-x-x---"
                         "x-x-x-x-x-x-x---",
                         "E5 C5 A4 B4 C5  A4 C5 F5 E5 C5  G5 E5 C5 D5 E5  D5 B4 G4 A4 B4 D5  "
                         "E5 D5 C5 B4 A4 G#4 B4"};
constexpr Phrase tumbling = {"x--x--x-x--x--x-",
                             "A5 E5 C6 B5 A5 E5  G5 D5 B5 A5 G5 D5  F5 C5 A5 G5 F5 C5  E5 B4 G#5 F5 E5 B4  "
                             "A5 E5 C6 E6 D6 C6  B5 D6 G6 F6 E6 D6"};
constexpr Phrase space_hook = {"x-x-x--x--x-x-x-",
                               "C5 B4 A4 E4 A4 B4 C5  C5 A4 F4 C4 F4 A4 C5  E5 D5 C5 G4 C5 D5 E5  "
                               "D5 B4 G4 D4 G4 A4 B4"};
constexpr Phrase space_answer = {"x-x-x--x--x-x-x-",
                                 "E4 A4 B4 C5 B4 A4 E4  F4 A4 C5 F5 C5 A4 F4  G4 C5 D5 E5 D5 C5 G4  "
                                 "B4 D5 B4 G4 D4 G4 B4"};
constexpr Phrase long_notes = {"x---------------" "x-------x-------", "A5  G5 B5"};
constexpr Phrase greetings_tune = {"x--x--x-x-------" "x--x--x-x-------" "x--x--x-x-------" "x--x--x-x---x---"
                                   "x-x-x-x-x-x-x---" "x-x-x-x-x-x-x---" "x-x-x-x-x-x-x---" "x-------x---x---"
                                   "x-----x-----x---",
                                   "C5 A4 F4 A4  D5 B4 G4 B4  E5 B4 G4 B4  C5 B4 A4 E4 A4  "
                                   "F4 A4 C5 F5 E5 C5 A4  G4 B4 D5 G5 D5 B4 G4  E4 G4 B4 E5 D5 B4 G4  "
                                   "A4 C5 E5  G#4 B4 E5"};
constexpr Phrase locking = {"x-----------x---" "x-----------x---" "x---------------", "A5 G5  B5 A5  A5"};
constexpr Phrase bells_revealing = {"x-----x---x-----",
                                    "D6 A5 F5  D6 B5 G5  C6 G5 E5  C6 A5 F5  B5 G#5 E5"};
constexpr Phrase bells_filling = {"x---x---x-----x-" "x---x---x-----x-" "x---x---x-----x-" "x---x---x-----x-"
                                  "x-----x---x-----",
                                  "A5 D6 F6 E6  B5 D6 G6 F6  G5 C6 E6 D6  A5 C6 F6 E6  B5 G#5 E5"};
constexpr Phrase finale_tune = {"x--x--x---x-x---" "x--x--x---x-x---" "x--x--x---x-x---" "x--x--x-x-x-x---"
                                "x--x--x---x-x---" "x--x--x---x-x---" "x--x--x-x-x-x---" "x-----x---x-x-x-",
                                "E5 C5 A4 B4 C5  A4 C5 F5 E5 C5  G5 E5 C5 D5 E5  D5 B4 G4 A4 B4 D5  "
                                "E5 A5 C6 B5 A5  F5 A5 C6 D6 C6  F5 A5 D6 E6 D6 A5  E6 B5 G#5 A5 B5"};
constexpr Phrase bells_answering = {"x-------x-------",
                                    "A5 E6  F5 C6  G5 E6  G5 D6  A5 C6  F5 A5  F5 D6  G#5 B5"};
constexpr Phrase pickup = {"x---x---", "G#5 B5"};
constexpr Phrase tonic = {"x---------------", "A5"};

struct Section {
    int beat;            // start, in beats from the top of the track
    int key;             // semitones above A minor: chords, bass, tunes and the kick move with it
    const char *chords;  // one per bar, repeated
    const Groove *groove;
    const char *bass;
    const char *pad;
    const char *chip;
    const char *arp;
    const Phrase *lead;
    const Phrase *bells;
    float bright_from, bright_to;  // how far the filters are open, swept across the section
    int stop;                      // steps at the end in which drums and bass rest, before a cut's hit
    float width;                   // how far the lead and the pad are spread, see voices.h
    float vel;                     // of the pad, the arp, the lead and the bells
};

constexpr std::array<Section, 20> arrangement = {{
    // beat key chords           groove
    //      bass           pad        chip         arp         lead            bells             brightness  stop width vel
    {0,   0, "Am Am F",          &decrunch,
            nullptr,       pad_bar,   chip_halves, nullptr,    nullptr,        &foretold,        0.0f, 0.2f,  0, 0.0f, 0.7f},
    {12,  0, "G E",              &heartbeat,
            bass_soft,     pad_bar,   chip_halves, arp_pulse,  nullptr,        &foretold_end,    0.2f, 0.3f,  0, 0.0f, 0.8f},
    {19,  0, "Am Dm F G",        &house_bare,
            bass_offbeat,  pad_bar,   nullptr,     arp_walk,   &logo_theme,    nullptr,          0.25f, 0.5f, 0, 0.0f, 0.85f},
    {35,  0, "Am Dm F G",        &house,
            bass_bouncing, pad_bar,   nullptr,     arp_walk,   &logo_climb,    nullptr,          0.5f, 0.75f, 0, 0.3f, 1.0f},
    {51,  0, "E",                &fill,
            nullptr,       pad_bar,   nullptr,     arp_walk,   nullptr,        nullptr,          0.75f, 0.9f, 0, 0.0f, 1.0f},
    {55,  0, "Am F C G E",       &breakbeat,
            bass_break,    pad_bar,   nullptr,     arp_pulse,  &hook,          nullptr,          0.7f, 0.85f, 4, 0.3f, 1.0f},
    {75,  0, "Am G F E",         &two_step,
            bass_two_step, pad_bar,   nullptr,     arp_leap,   &tumbling,      nullptr,          1.0f, 1.0f,  4, 0.5f, 1.0f},
    {99,  3, "Am F C G",         &half_time,
            bass_soft,     pad_bar,   nullptr,     arp_dotted, &space_hook,    nullptr,          0.5f, 0.9f,  0, 1.0f, 0.75f},
    {115, 3, "Am F C G",         &drive,
            bass_rolling,  pad_bar,   nullptr,     arp_pulse,  &space_answer,  nullptr,          1.0f, 1.0f,  0, 1.0f, 1.0f},
    {131, 3, "F G",              &silence,
            nullptr,       pad_bar,   nullptr,     arp_walk,   &long_notes,    nullptr,          0.4f, 0.9f,  0, 1.0f, 1.0f},
    {139, 3, "F G Em Am F G Em Am E", &greetings,
            bass_rolling,  pad_bar,   nullptr,     arp_leap,   &greetings_tune, nullptr,         1.0f, 1.0f,  0, 1.0f, 1.0f},
    {175, 3, "F G F",            &decrunch,
            bass_held,     pad_bar,   nullptr,     arp_walk,   &locking,       nullptr,          0.3f, 1.0f,  0, 1.0f, 1.0f},
    {187, 0, "E",                &roll_to_warp,
            nullptr,       held_long, nullptr,     arp_walk,   nullptr,        nullptr,          1.0f, 1.0f,  0, 0.0f, 1.0f},
    {192, 0, "Am",               &silence,
            nullptr,       held_long, nullptr,     nullptr,    nullptr,        nullptr,          0.6f, 0.3f,  0, 0.0f, 1.0f},
    {197, 0, "Dm G C F E",       &lazy,
            bass_soft,     pad_bar,   nullptr,     nullptr,    nullptr,        &bells_revealing, 0.35f, 0.5f, 0, 0.0f, 1.0f},
    {217, 0, "Dm G C F E",       &lazy_kick,
            bass_soft,     pad_bar,   nullptr,     arp_dotted, nullptr,        &bells_filling,   0.5f, 0.7f,  4, 0.0f, 1.0f},
    {237, 0, "Am F C G Am F Dm E", &finale,
            bass_finale,   pad_bar,   nullptr,     arp_leap,   &finale_tune,   &bells_answering, 1.0f, 1.0f,  0, 0.5f, 1.0f},
    {269, 0, "E",                &silence,
            nullptr,       pad_bar,   nullptr,     nullptr,    &pickup,        nullptr,          0.8f, 0.8f,  0, 0.0f, 1.0f},
    {271, 0, "Am",               &downbeat,
            pad_bar,       pad_bar,   nullptr,     nullptr,    &tonic,         &tonic,           0.8f, 0.2f,  0, 0.0f, 1.0f},
    // Where the ending's bar ends: nothing starts here.
    {last_beat, 0, "Am",         &silence,
            nullptr,       nullptr,   nullptr,     nullptr,    nullptr,        nullptr,          0.0f, 0.0f,  0, 0.0f, 1.0f},
}};

enum class Cue { crash, riser, boom, fall };

struct CueAt {
    int beat;
    Cue cue;
    int beats;  // length of a riser or a fall: each riser ends on a crash
};

constexpr std::array<CueAt, 19> cue_sheet = {{
    {16, Cue::riser, 3},    // out of the decrunch
    {19, Cue::crash, 0},    // logo
    {51, Cue::riser, 4},    // into the title
    {55, Cue::crash, 0},    // title
    {75, Cue::crash, 0},    // tile wave
    {99, Cue::crash, 0},    // starfield
    {111, Cue::riser, 4},   // back to the full beat
    {115, Cue::crash, 0},
    {131, Cue::riser, 8},   // out of the breakdown
    {139, Cue::crash, 0},   // greetings
    {175, Cue::riser, 17},  // the view locks and the ship runs up to the warp
    {192, Cue::boom, 0},    // the flash
    {192, Cue::crash, 0},
    {192, Cue::fall, 5},    // the field empties
    {197, Cue::crash, 0},   // picture
    {237, Cue::crash, 0},   // tree and credits
    {269, Cue::riser, 2},
    {271, Cue::boom, 0},    // the end
    {271, Cue::crash, 0},
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
    const Groove &g = *s.groove;
    const std::vector<const Chord *> chords = parse_chords(s.chords);
    auto beat = [&](int step) { return s.beat + static_cast<double>(step) / steps_per_beat; };
    auto at = [&](int step) { return sample_at(beat(step) + (step % 2 ? g.swing / steps_per_beat : 0.0)); };
    auto gate = [&](const Hit &h) {
        return static_cast<float>(seconds_at(beat(h.step + h.length)) - seconds_at(beat(h.step)));
    };
    auto chord = [&](int step) {
        Chord c = *chords[(step / steps_per_bar) % chords.size()];
        c.root += s.key;
        for (int &note : c.pad)
            note += s.key;
        return c;
    };
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
    auto tune = [&](const Phrase *phrase, auto play) {
        if (!phrase)
            return;
        const std::vector<int> notes = parse_notes(phrase->notes);
        for (const Hit &h : hits(phrase->rhythm))
            play(h, notes[h.index % notes.size()] + s.key);
    };

    const float kick_tail_hz = note_hz(static_cast<float>(home_tonic + s.key));
    for (const Hit &h : rhythm(g.kick)) {
        duck_under_kick(m, at(h.step));
        if (on(Stem::drums))
            play_kick(m, at(h.step), velocity(h.symbol), kick_tail_hz);
    }
    if (on(Stem::drums)) {
        for (const Hit &h : rhythm(g.snare))
            play_snare(m, at(h.step), velocity(h.symbol));
        for (const Hit &h : rhythm(g.clap))
            play_clap(m, at(h.step), velocity(h.symbol));
        for (const Hit &h : rhythm(g.hat))
            play_hat(m, at(h.step), velocity(h.symbol), false);
        for (const Hit &h : rhythm(g.open_hat))
            play_hat(m, at(h.step), velocity(h.symbol), true);
    }
    for (const Hit &h : rhythm(on(Stem::bass) ? s.bass : nullptr)) {
        const int note = chord(h.step).root + (h.symbol == 'o' ? 12 : 0);
        play_bass(m, at(h.step), note, gate(h), velocity(h.symbol), bright(h.step));
    }
    for (const Hit &h : hits(on(Stem::pad) ? s.pad : nullptr))
        play_pad(m, at(h.step), chord(h.step).pad, gate(h), s.vel, bright(h.step), s.width);
    for (const Hit &h : hits(on(Stem::arp) ? s.chip : nullptr))
        play_chip(m, at(h.step), chord(h.step).pad, gate(h), s.vel);
    for (const Hit &h : hits(on(Stem::arp) ? s.arp : nullptr)) {
        const int d = h.symbol - '0';
        const int note = chord(h.step).pad[d % 4] + 12 * (d / 4 + 1);
        const float pan = h.step % 2 ? 0.6f : -0.6f;
        play_pluck(m, at(h.step), note, gate(h), s.vel, bright(h.step), pan);
    }
    if (on(Stem::lead))
        tune(s.lead, [&](const Hit &h, int note) {
            play_lead(m, at(h.step), note, gate(h), s.vel, bright(h.step), s.width);
        });
    if (on(Stem::bell))
        tune(s.bells, [&](const Hit &h, int note) { play_bell(m, at(h.step), note, s.vel); });
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
    const std::size_t dotted_eighth = sample_at(99.75) - sample_at(99);  // at the starfield's tempo
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
