#include "synth_track.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

#include "filter.h"
#include "loudness.h"

namespace {

constexpr double rate = 44100.0;
using Bins = std::vector<std::complex<double>>;

std::size_t at(const Track &t, double s) { return std::min(t.l.size(), static_cast<std::size_t>(s * rate + 0.5)); }

void fft(Bins &a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    // The products written out: std::complex's operator* guards against infinities at every call.
    std::vector<double> cos_k(n / 2), sin_k(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        cos_k[k] = std::cos(2.0 * M_PI * static_cast<double>(k) / static_cast<double>(n));
        sin_k[k] = -std::sin(2.0 * M_PI * static_cast<double>(k) / static_cast<double>(n));
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t stride = n / len;
        for (std::size_t i = 0; i < n; i += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                const double wr = cos_k[k * stride], wi = sin_k[k * stride];
                const std::complex<double> u = a[i + k], x = a[i + k + len / 2];
                const std::complex<double> v(x.real() * wr - x.imag() * wi, x.real() * wi + x.imag() * wr);
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

// Spectra of both sides of n samples from `from` under a Hann window, through one complex transform:
// left as the real part, right as the imaginary part. Bins 0 .. n/2.
void spectra(const Track &t, std::size_t from, std::size_t n, Bins &left, Bins &right)
{
    Bins z(n);
    for (std::size_t i = 0; i < n && from + i < t.l.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / static_cast<double>(n));
        z[i] = {w * t.l[from + i], w * t.r[from + i]};
    }
    fft(z);
    left.resize(n / 2 + 1);
    right.resize(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        const std::complex<double> a = z[k], b = std::conj(z[(n - k) % n]);
        left[k] = 0.5 * (a + b);
        right[k] = std::complex<double>(0.0, -0.5) * (a - b);
    }
}

double db(double ratio) { return 10.0 * std::log10(ratio + 1e-30); }

constexpr std::size_t power_frame = 8192;

std::size_t bin_of(double hz) { return static_cast<std::size_t>(std::ceil(hz * power_frame / rate)); }

}  // namespace

Track decode(const char *ffmpeg, const std::string &path)
{
    Track t;
    const std::string command =
        std::string("'") + ffmpeg + "' -v error -i '" + path + "' -f f32le -ac 2 -ar 44100 -";
    std::FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return t;
    float frame[2];
    while (std::fread(frame, sizeof frame, 1, pipe) == 1) {
        t.l.push_back(frame[0]);
        t.r.push_back(frame[1]);
    }
    pclose(pipe);
    return t;
}

double seconds(const Track &t) { return static_cast<double>(t.l.size()) / rate; }

double level_db(const Track &t, double from, double to)
{
    double sum = 0.0;
    const std::size_t a = at(t, from), b = at(t, to);
    for (std::size_t i = a; i < b; ++i)
        sum += double(t.l[i]) * t.l[i] + double(t.r[i]) * t.r[i];
    return b > a ? db(sum / (2.0 * static_cast<double>(b - a))) : -300.0;
}

double peak_db(const Track &t, double from, double to)
{
    float peak = 0.0f;
    for (std::size_t i = at(t, from); i < at(t, to); ++i)
        peak = std::max({peak, std::fabs(t.l[i]), std::fabs(t.r[i])});
    return 2.0 * db(peak);
}

double dc_db(const Track &t, double from, double to)
{
    double l = 0.0, r = 0.0;
    const std::size_t a = at(t, from), b = at(t, to);
    for (std::size_t i = a; i < b; ++i) {
        l += t.l[i];
        r += t.r[i];
    }
    return 2.0 * db(std::max(std::fabs(l), std::fabs(r)) / static_cast<double>(std::max<std::size_t>(1, b - a)));
}

double side_to_mid_db(const Track &t, double from, double to)
{
    double side = 0.0, mid = 0.0;
    for (std::size_t i = at(t, from); i < at(t, to); ++i) {
        const double s = double(t.l[i]) - t.r[i], m = double(t.l[i]) + t.r[i];
        side += s * s;
        mid += m * m;
    }
    return db(side / (mid + 1e-30));
}

Track highpassed(const Track &t, double hz)
{
    Track out = t;
    const SvfCoef coef = svf_coef(static_cast<float>(hz), 0.7071f);
    for (std::vector<float> *side : {&out.l, &out.r}) {
        Svf first, second;
        for (float &v : *side)
            v = svf_tick(second, coef, svf_tick(first, coef, v).high).high;
    }
    return out;
}

double loudness(const Track &t, double from, double to, bool mono_sum)
{
    Stereo s{{t.l.begin() + at(t, from), t.l.begin() + at(t, to)}, {t.r.begin() + at(t, from), t.r.begin() + at(t, to)}};
    for (std::size_t i = 0; mono_sum && i < s.l.size(); ++i)
        s.l[i] = s.r[i] = 0.5f * (s.l[i] + s.r[i]);
    return integrated_loudness(s);
}

std::vector<double> mid_power(const Track &t, double from, double to)
{
    std::vector<double> power(power_frame / 2 + 1, 0.0);
    Bins left, right;
    for (std::size_t i = at(t, from); i + power_frame <= at(t, to); i += power_frame) {
        spectra(t, i, power_frame, left, right);
        for (std::size_t k = 0; k < power.size(); ++k)
            power[k] += std::norm(left[k] + right[k]);
    }
    return power;
}

double band_power(const std::vector<double> &power, double lo_hz, double hi_hz)
{
    double sum = 0.0;
    for (std::size_t k = bin_of(lo_hz); k < bin_of(hi_hz) && k < power.size(); ++k)
        sum += power[k];
    return sum;
}

double peak_hz(const std::vector<double> &power, double lo_hz, double hi_hz)
{
    std::size_t peak = bin_of(lo_hz);
    for (std::size_t k = peak; k < bin_of(hi_hz); ++k)
        if (power[k] > power[peak])
            peak = k;
    // A parabola through the peak bin and its neighbours, on a log scale, finds the partial.
    const double y0 = std::log(power[peak - 1] + 1e-30), y1 = std::log(power[peak] + 1e-30),
                 y2 = std::log(power[peak + 1] + 1e-30);
    return (static_cast<double>(peak) + 0.5 * (y0 - y2) / (y0 - 2.0 * y1 + y2)) * rate / power_frame;
}

int pitch_class(double hz)
{
    return (static_cast<int>(std::lround(69.0 + 12.0 * std::log2(hz / 440.0))) % 12 + 12) % 12;
}

std::array<double, 12> chroma(const std::vector<double> &power, double lo_hz, double hi_hz)
{
    std::array<double, 12> share{};
    const double total = band_power(power, lo_hz, hi_hz) + 1e-30;
    for (std::size_t k = bin_of(lo_hz); k < bin_of(hi_hz); ++k)
        share[pitch_class(static_cast<double>(k) * rate / power_frame)] += power[k] / total;
    return share;
}

Spectrum spectrum(const Track &t, double from, double to)
{
    constexpr std::size_t n = 8192;
    constexpr double edges[] = {20, 60, 250, 2000, 6000, 20000};
    std::array<double, 5> band{};
    double lr = 0, ll = 0, rr = 0;
    Bins left, right;
    for (std::size_t from_i = at(t, from); from_i + n <= at(t, to); from_i += n) {
        spectra(t, from_i, n, left, right);
        for (std::size_t k = 1; k < n / 2; ++k) {
            const double hz = static_cast<double>(k) * rate / n;
            if (hz >= edges[0] && hz < edges[5])
                band[std::upper_bound(edges, edges + 6, hz) - edges - 1] += std::norm(left[k]) + std::norm(right[k]);
            if (hz >= edges[0] && hz < 150.0) {
                lr += (left[k] * std::conj(right[k])).real();
                ll += std::norm(left[k]);
                rr += std::norm(right[k]);
            }
        }
    }
    Spectrum s{};
    double total = 1e-30;
    for (double e : band)
        total += e;
    for (std::size_t b = 0; b < band.size(); ++b)
        s.share[b] = band[b] / total;
    s.low_correlation = lr / std::sqrt(ll * rr + 1e-30);
    return s;
}

Onset strongest_onset(const Track &t, double near, double window)
{
    constexpr std::size_t frame = 256, hop = 64, before = 2205;  // 5.8 ms, 1.5 ms, 50 ms
    const std::size_t a = at(t, near - window), b = at(t, near + window);
    if (a < before + 1 || b + frame > t.l.size())
        return {near, 0.0};
    // Running sums of the energy, and of the energy of the sample-to-sample change, which weighs the
    // highs: a cymbal over a bass note shows in the second.
    std::vector<double> full(b + frame - (a - before - 1) + 1, 0.0), high(full.size(), 0.0);
    const std::size_t base = a - before - 1;
    for (std::size_t i = 1; i < full.size(); ++i) {
        const std::size_t k = base + i;
        const double dl = double(t.l[k]) - t.l[k - 1], dr = double(t.r[k]) - t.r[k - 1];
        full[i] = full[i - 1] + double(t.l[k]) * t.l[k] + double(t.r[k]) * t.r[k];
        high[i] = high[i - 1] + dl * dl + dr * dr;
    }
    auto rise = [&](const std::vector<double> &sum, std::size_t i) {
        const std::size_t k = i - base;
        const double now = (sum[k + frame] - sum[k]) / frame, past = (sum[k] - sum[k - before]) / before;
        return db((now + 1e-10) / (past + 1e-10));
    };
    Onset best{near, -300.0};
    for (std::size_t i = a; i <= b; i += hop) {
        const double r = std::max(rise(full, i), rise(high, i));
        if (r > best.rise_db)
            best = {static_cast<double>(i) / rate, r};
    }
    return best;
}

int repeated_bars(const Track &t, const std::vector<double> &bars, double from)
{
    int repeats = 0;
    for (std::size_t j = 1; j + 1 < bars.size(); ++j) {
        if (bars[j] < from - 0.01)
            continue;
        const std::size_t bj = at(t, bars[j]), lj = at(t, bars[j + 1]) - bj;
        for (std::size_t i = 0; i < j; ++i) {
            const std::size_t bi = at(t, bars[i]), n = std::min(lj, at(t, bars[i + 1]) - bi);
            double energy = 0.0;
            for (std::size_t k = 0; k < n; ++k)
                energy += double(t.l[bj + k]) * t.l[bj + k] + double(t.r[bj + k]) * t.r[bj + k];
            const double limit = energy * std::pow(10.0, -1.5);
            double diff = 0.0;
            for (std::size_t k = 0; k < n && diff <= limit; ++k) {
                const double dl = double(t.l[bj + k]) - t.l[bi + k], dr = double(t.r[bj + k]) - t.r[bi + k];
                diff += dl * dl + dr * dr;
            }
            if (energy > 0.0 && diff <= limit) {
                ++repeats;
                break;
            }
        }
    }
    return repeats;
}

Loudest loudest_pitch(const Track &t, double at_s, double lo_hz, double hi_hz)
{
    constexpr std::size_t n = 4096;
    Bins left, right;
    spectra(t, at(t, at_s) >= n / 2 ? at(t, at_s) - n / 2 : 0, n, left, right);
    auto power = [&](std::size_t k) { return std::norm(left[k] + right[k]); };
    double energy = 0.0, best = 0.0;
    std::size_t peak = 0;
    for (std::size_t k = 1; k < n / 2; ++k) {
        const double hz = static_cast<double>(k) * rate / n;
        energy += power(k);
        if (hz > lo_hz && hz < hi_hz && power(k) > best) {
            best = power(k);
            peak = k;
        }
    }
    energy /= 0.375 * n * n;  // back to mean square per sample, after the window
    if (peak == 0)
        return {-1, energy};
    // A parabola through the peak bin and its neighbours, on a log scale, finds the pitch.
    const double y0 = std::log(power(peak - 1) + 1e-30), y1 = std::log(best + 1e-30),
                 y2 = std::log(power(peak + 1) + 1e-30);
    const double hz = (static_cast<double>(peak) + 0.5 * (y0 - y2) / (y0 - 2.0 * y1 + y2)) * rate / n;
    return {pitch_class(hz), energy};
}

BarMelody bar_melody(const Track &t, double from, double to)
{
    constexpr double silent = 1e-6;  // mean square per sample, -60 dBFS
    std::array<Loudest, 16> steps;
    double loudest = 0.0;
    for (int s = 0; s < 16; ++s) {
        steps[s] = loudest_pitch(t, from + (s + 0.5) / 16.0 * (to - from), 130.0, 4200.0);
        loudest = std::max(loudest, steps[s].energy);
    }
    BarMelody m;
    for (int s = 0; loudest > silent && s < 16; ++s)
        m.push_back(steps[s].energy > loudest / 100.0 ? steps[s].pitch_class : -1);
    return m;
}

bool same_tune(const BarMelody &a, const BarMelody &b)
{
    if (a.empty() || b.empty())
        return false;
    int sounding = 0, agree = 0;
    for (std::size_t s = 0; s < a.size(); ++s) {
        sounding += a[s] >= 0 || b[s] >= 0;
        agree += a[s] >= 0 && a[s] == b[s];
    }
    return 3 * agree >= 2 * sounding;
}
