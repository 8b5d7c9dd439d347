#include "voices.h"

#include <algorithm>
#include <cmath>

#include "envelope.h"
#include "filter.h"
#include "osc.h"

namespace {

// The mixing desk: each instrument's level before the master stage sets the overall loudness.
constexpr float kick_level = 0.6f;
constexpr float snare_level = 0.45f;
constexpr float hat_level = 0.16f;
constexpr float bass_level = 0.36f;
constexpr float growl_level = 1.2f;  // of the bass's mid layer against its sub
constexpr float pad_level = 0.1f;
constexpr float pluck_level = 0.3f;
constexpr float lead_level = 0.28f;
constexpr float bell_level = 0.3f;
constexpr float crash_level = 0.22f;
constexpr float clap_level = 0.5f;
constexpr float chip_level = 0.05f;
constexpr float boom_level = 0.8f;
constexpr float sweep_level = 0.35f;

// Samples between updates of a swept filter's cutoff: fast enough for the ear, cheap on tan().
constexpr std::size_t control_period = 16;

constexpr float duck_depth = 0.7f;     // how far the music dips under a kick
constexpr float duck_seconds = 0.28f;  // and how long it takes to come back

float seconds(std::size_t i) { return static_cast<float>(i) / sample_rate; }

// Number of samples of a note of the given length that still fit in the buffers.
std::size_t span(const Mix &m, std::size_t at, float length)
{
    if (at >= m.duck.size())
        return 0;
    return std::min(seconds_to_samples(length), m.duck.size() - at);
}

void add(Stereo &bus, std::size_t i, float l, float r)
{
    bus.l[i] += l;
    bus.r[i] += r;
}

}  // namespace

Mix make_mix(std::size_t frames)
{
    return {make_stereo(frames), make_stereo(frames), std::vector<float>(frames, 1.0f),
            std::vector<float>(frames), std::vector<float>(frames)};
}

void play_kick(Mix &m, std::size_t at, float vel, float tail_hz)
{
    constexpr float ring_s = 0.38f;
    Osc body;
    Noise click;
    const std::size_t n = span(m, at, ring_s);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        const float hz = tail_hz * (1.0f + 2.2f * std::exp(-t / 0.03f));  // the thump is a fast pitch drop
        const float s = osc_sine(body, hz) * fall(t, ring_s) + 0.25f * noise(click) * fall(t, 0.004f);
        const float v = std::tanh(1.8f * s) * vel * kick_level;
        add(m.steady, at + i, v, v);
    }
}

void duck_under_kick(Mix &m, std::size_t at)
{
    const std::size_t n = span(m, at, duck_seconds);
    for (std::size_t i = 0; i < n; ++i) {
        const float back = 1.0f - seconds(i) / duck_seconds;
        m.duck[at + i] = std::min(m.duck[at + i], 1.0f - duck_depth * back * back);
    }
}

void play_snare(Mix &m, std::size_t at, float vel)
{
    Osc tone;
    Noise rattle;
    Svf hp;
    constexpr float ring_s = 0.32f;
    const SvfCoef coef = svf_coef(1500.0f, 0.7f);
    const std::size_t n = span(m, at, ring_s);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        const float body = osc_sine(tone, 175.0f + 60.0f * std::exp(-t / 0.01f)) * fall(t, 0.12f);
        const float wires = svf_tick(hp, coef, noise(rattle)).high * fall(t, ring_s);
        const float v = (0.6f * body + 0.8f * wires) * vel * snare_level;
        add(m.steady, at + i, v, v);
        m.room_send[at + i] += 0.4f * v;
    }
}

void play_hat(Mix &m, std::size_t at, float vel, bool open)
{
    Noise hiss;
    Svf hp;
    const SvfCoef coef = svf_coef(8000.0f, 0.9f);
    const float length = open ? 0.32f : 0.05f;
    const Pan pan = pan_gains(0.3f);
    const std::size_t n = span(m, at, length);
    for (std::size_t i = 0; i < n; ++i) {
        const float v = svf_tick(hp, coef, noise(hiss)).high * fall(seconds(i), length) * vel * hat_level;
        add(m.steady, at + i, v * pan.l, v * pan.r);
        m.room_send[at + i] += 0.1f * v;
    }
}

void play_bass(Mix &m, std::size_t at, int note, float gate, float vel, float bright)
{
    constexpr Adsr env = {0.004f, 0.3f, 0.6f, 0.06f};
    Osc sub, saw, growl;
    Svf lp, body;
    const float hz = note_hz(static_cast<float>(note));
    // The sub alone is lost on small speakers. The saw an octave up, driven into the sub, and a saw
    // on the note through a fixed band around 400 Hz put the note's harmonics where they are heard.
    const SvfCoef body_coef = svf_coef(400.0f, 0.9f);
    const std::size_t n = span(m, at, adsr_length(env, gate));
    SvfCoef coef{};
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        if (i % control_period == 0)
            coef = svf_coef(420.0f + 700.0f * bright + 2200.0f * bright * fall(t, 0.18f), 1.3f);
        const float buzz = svf_tick(lp, coef, osc_saw(saw, 2.0f * hz)).low;
        const float mids = svf_tick(body, body_coef, osc_saw(growl, hz)).band;
        const float v = (std::tanh(1.8f * (0.7f * osc_sine(sub, hz) + 0.8f * buzz)) + growl_level * mids) *
                        adsr(env, t, gate);
        add(m.pumped, at + i, v * vel * bass_level, v * vel * bass_level);
    }
}

void play_pad(Mix &m, std::size_t at, const std::array<int, 4> &notes, float gate, float vel, float bright,
              float width)
{
    constexpr Adsr env = {0.35f, 1.5f, 0.7f, 0.9f};
    constexpr float detune = 0.004f;  // about 7 cents either way: the slow beating is the pad's width
    // The detuned doubles, one to a side, lose half their power in a mono sum; the centre loses none.
    const float centre_level = 1.0f - 0.5f * width, double_level = 0.7f + 0.3f * width;
    // All notes share the envelope and the cutoff, so each side filters the sum of its saws.
    const SvfCoef coef = svf_coef(400.0f * std::pow(15.0f, bright), 0.8f);
    std::array<Osc, 4> centre, left, right;
    std::array<float, 4> hz;
    for (std::size_t k = 0; k < notes.size(); ++k) {
        hz[k] = note_hz(static_cast<float>(notes[k]));
        left[k].phase = 0.25;  // start the voices apart so the chord does not open with a click
        right[k].phase = 0.5;
    }
    Svf lp_l, lp_r;
    const std::size_t n = span(m, at, adsr_length(env, gate));
    for (std::size_t i = 0; i < n; ++i) {
        float c = 0.0f, l = 0.0f, r = 0.0f;
        for (std::size_t k = 0; k < notes.size(); ++k) {
            c += osc_saw(centre[k], hz[k]);
            l += osc_saw(left[k], hz[k] * (1.0f - detune));
            r += osc_saw(right[k], hz[k] * (1.0f + detune));
        }
        const float e = adsr(env, seconds(i), gate) * vel * pad_level;
        l = svf_tick(lp_l, coef, centre_level * c + double_level * l).low * e;
        r = svf_tick(lp_r, coef, centre_level * c + double_level * r).low * e;
        add(m.pumped, at + i, l, r);
        m.room_send[at + i] += 0.5f * (l + r);
    }
}

void play_pluck(Mix &m, std::size_t at, int note, float gate, float vel, float bright, float pan)
{
    constexpr Adsr env = {0.002f, 0.25f, 0.0f, 0.15f};
    Osc sq, saw;
    Svf lp;
    const float hz = note_hz(static_cast<float>(note));
    const Pan p = pan_gains(pan);
    const std::size_t n = span(m, at, adsr_length(env, gate));
    SvfCoef coef{};
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        if (i % control_period == 0)
            coef = svf_coef(350.0f + (800.0f + 5000.0f * bright) * fall(t, 0.2f), 1.5f);
        const float raw = 0.6f * osc_square(sq, hz) + 0.5f * osc_saw(saw, hz * 1.003f);
        const float v = svf_tick(lp, coef, raw).low * adsr(env, t, gate) * vel * pluck_level;
        add(m.pumped, at + i, v * p.l, v * p.r);
        m.echo_send[at + i] += 0.45f * v;
    }
}

void play_lead(Mix &m, std::size_t at, int note, float gate, float vel, float bright, float width)
{
    constexpr Adsr env = {0.01f, 0.4f, 0.75f, 0.2f};
    constexpr float vibrato_delay = 0.25f;  // a held note starts to sing only after a moment
    Osc mid, up, down, lfo;
    Svf lp_l, lp_r;
    const float hz = note_hz(static_cast<float>(note));
    const SvfCoef coef = svf_coef(1800.0f + 3500.0f * bright, 0.9f);
    // Two detuned doubles lean out to either side; no copy is delayed, so a mono sum keeps every note.
    const Pan to_left = pan_gains(-0.7f * width), to_right = pan_gains(0.7f * width);
    const std::size_t n = span(m, at, adsr_length(env, gate));
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        const float depth = t > vibrato_delay ? std::min(1.0f, (t - vibrato_delay) * 4.0f) : 0.0f;
        const float f = hz * std::exp2(0.012f * depth * osc_sine(lfo, 5.5f));
        const float c = osc_saw(mid, f), a = 0.7f * osc_saw(up, f * 1.006f), b = 0.7f * osc_saw(down, f * 0.994f);
        const float e = adsr(env, t, gate) * vel * lead_level;
        const float l = svf_tick(lp_l, coef, c + a * to_left.l + b * to_right.l).low * e;
        const float r = svf_tick(lp_r, coef, c + a * to_left.r + b * to_right.r).low * e;
        add(m.steady, at + i, l, r);
        m.echo_send[at + i] += 0.3f * (l + r);
        m.room_send[at + i] += 0.3f * (l + r);
    }
}

void play_bell(Mix &m, std::size_t at, int note, float vel)
{
    constexpr float ring_s = 2.0f;
    Osc carrier, modulator;
    const float hz = note_hz(static_cast<float>(note));
    const std::size_t n = span(m, at, ring_s);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        // The overtones fade faster than the tone, which is what makes it ring like glass.
        const float index = 0.2f + 2.5f * fall(t, 0.8f);
        const float mod = osc_sine(modulator, 3.0f * hz);
        const float v =
            osc_sine(carrier, hz * (1.0f + 3.0f * index * mod)) * fall(t, ring_s) * vel * bell_level;
        add(m.pumped, at + i, v, v);
        m.echo_send[at + i] += 0.5f * v;
        m.room_send[at + i] += 0.4f * v;
    }
}

void play_crash(Mix &m, std::size_t at, float vel)
{
    constexpr float ring_s = 2.4f;
    constexpr float strike_s = 0.12f;  // the stick's hit, over the wash: the top end leaps at the cut
    Noise shared, left, right;
    left.state = 555u;
    right.state = 777u;  // the sides' own noise spreads the wash; the shared part survives a mono sum
    Svf hp_l, hp_r;
    const SvfCoef coef = svf_coef(4500.0f, 0.7f);
    const std::size_t n = span(m, at, ring_s);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        const float e = (fall(t, ring_s) + 2.0f * fall(t, strike_s)) * vel * crash_level;
        const float c = noise(shared);
        const float l = svf_tick(hp_l, coef, c + noise(left)).high * e;
        const float r = svf_tick(hp_r, coef, c + noise(right)).high * e;
        add(m.steady, at + i, l, r);
        m.room_send[at + i] += 0.3f * (l + r);
    }
}

void play_clap(Mix &m, std::size_t at, float vel)
{
    // Hands that do not quite meet: three quick bursts, then the room's answer.
    constexpr float bursts_s[] = {0.0f, 0.011f, 0.023f};
    constexpr float ring_s = 0.25f;
    Noise hiss;
    Svf bp;
    const SvfCoef coef = svf_coef(1300.0f, 1.2f);
    const std::size_t n = span(m, at, ring_s);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        float e = t >= bursts_s[2] ? fall(t - bursts_s[2], ring_s) : 0.0f;
        for (float b : bursts_s)
            e += t >= b ? fall(t - b, 0.01f) : 0.0f;
        const float v = svf_tick(bp, coef, noise(hiss)).band * e * vel * clap_level;
        add(m.steady, at + i, v, v);
        m.room_send[at + i] += 0.6f * v;
    }
}

void play_chip(Mix &m, std::size_t at, const std::array<int, 4> &notes, float gate, float vel)
{
    // The home computer's chord: one square voice stepping through the lower three notes fifty times
    // a second, an octave up.
    constexpr Adsr env = {0.005f, 0.4f, 0.5f, 0.1f};
    constexpr float steps_per_s = 50.0f;
    Osc sq;
    std::array<float, 3> hz;
    for (std::size_t k = 0; k < hz.size(); ++k)
        hz[k] = note_hz(static_cast<float>(notes[k] + 12));
    const std::size_t n = span(m, at, adsr_length(env, gate));
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        const float v = osc_square(sq, hz[static_cast<std::size_t>(t * steps_per_s) % hz.size()]) *
                        adsr(env, t, gate) * vel * chip_level;
        add(m.pumped, at + i, v, v);
        m.echo_send[at + i] += 0.3f * v;
    }
}

void play_boom(Mix &m, std::size_t at, float vel)
{
    constexpr float ring_s = 2.5f;
    Osc body;
    const std::size_t n = span(m, at, ring_s);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = seconds(i);
        // Falls an octave onto A1, the song's tonic, so that the boom under a closing chord is in tune.
        const float hz = 55.0f * (1.0f + std::exp(-t / 0.08f));
        const float v = std::tanh(2.0f * osc_sine(body, hz) * fall(t, ring_s)) * vel * boom_level;
        add(m.steady, at + i, v, v);
        m.room_send[at + i] += 0.2f * v;
    }
}

void play_sweep(Mix &m, std::size_t at, float seconds_long, float from_hz, float to_hz, float level_from,
                float level_to)
{
    constexpr float breath_s = 0.06f;  // the last moment drops back, so the hit it runs into stands out
    Noise hiss;
    Svf bp;
    const std::size_t n = span(m, at, seconds_long);
    const std::size_t breath = n - std::min(n, seconds_to_samples(breath_s));
    SvfCoef coef{};
    for (std::size_t i = 0; i < n; ++i) {
        const float x = static_cast<float>(i) / static_cast<float>(n);
        if (i % control_period == 0)
            coef = svf_coef(from_hz * std::pow(to_hz / from_hz, x), 2.0f);
        const float drop = i < breath ? 1.0f : 0.3f + 0.7f * fall(seconds(i - breath), 0.03f);
        const float level = (level_from + (level_to - level_from) * x) * drop;
        const float v = svf_tick(bp, coef, noise(hiss)).band * level * sweep_level;
        add(m.steady, at + i, v, v);
        m.room_send[at + i] += 0.5f * v;
    }
}
