#include "synth_probe.h"

#include <cmath>

#include "dsp.h"

double crossing_hz(const std::vector<float> &x)
{
    double first = -1.0, last = -1.0;
    int count = 0;
    for (std::size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            const double t = (i - 1) + x[i - 1] / static_cast<double>(x[i - 1] - x[i]);
            if (count++ == 0)
                first = t;
            last = t;
        }
    }
    return count < 2 ? 0.0 : (count - 1) * sample_rate / (last - first);
}

double pitch_hz(const std::vector<float> &x, std::size_t begin, std::size_t end)
{
    constexpr std::size_t shortest = sample_rate / 4000, longest = sample_rate / 30;
    const std::size_t window = end - begin - longest;
    std::vector<double> r(longest + 2, 0.0);
    double best = 0.0;
    for (std::size_t lag = shortest; lag <= longest + 1; ++lag) {
        double xy = 0.0, xx = 0.0, yy = 0.0;
        for (std::size_t i = begin; i < begin + window; ++i) {
            xy += double(x[i]) * x[i + lag];
            xx += double(x[i]) * x[i];
            yy += double(x[i + lag]) * x[i + lag];
        }
        r[lag] = xy / std::sqrt(xx * yy + 1e-30);
        best = std::max(best, r[lag]);
    }
    for (std::size_t lag = shortest + 1; lag <= longest; ++lag) {
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            // A parabola through the peak and its neighbours places it between samples.
            const double shift = 0.5 * (r[lag - 1] - r[lag + 1]) / (r[lag - 1] - 2.0 * r[lag] + r[lag + 1]);
            return sample_rate / (lag + shift);
        }
    }
    return 0.0;
}

double rms_db(const std::vector<float> &x, std::size_t begin, std::size_t end)
{
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        sum += double(x[i]) * x[i];
    return sum > 0.0 ? 10.0 * std::log10(sum / (end - begin)) : -300.0;
}

std::vector<float> sine_wave(float hz, float amplitude, double seconds)
{
    std::vector<float> x(seconds_to_samples(seconds));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = amplitude * static_cast<float>(std::sin(2.0 * pi_d * hz * i / sample_rate));
    return x;
}
