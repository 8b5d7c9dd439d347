#include "loudness.h"

#include <cmath>
#include <vector>

namespace {

constexpr double absolute_gate = -70.0;  // LUFS
constexpr double relative_gate = -10.0;  // LU under the mean of the blocks above the absolute gate

struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

double biquad_tick(Biquad &f, double x)
{
    const double y = f.b0 * x + f.b1 * f.x1 + f.b2 * f.x2 - f.a1 * f.y1 - f.a2 * f.y2;
    f.x2 = f.x1;
    f.x1 = x;
    f.y2 = f.y1;
    f.y1 = y;
    return y;
}

// The two K-weighting stages, a high shelf for the head's effect and a high-pass for the ear's
// low-frequency roll-off, made for the output rate from their analogue prototypes.
Biquad head_shelf()
{
    const double f0 = 1681.974450955533, gain_db = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(pi_d * f0 / sample_rate);
    const double vh = std::pow(10.0, gain_db / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

Biquad ear_highpass()
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(pi_d * f0 / sample_rate);
    const double a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// Sum of squared K-weighted samples of one side over each 100 ms segment.
void add_segment_energy(const std::vector<float> &side, std::vector<double> &energy, std::size_t segment)
{
    Biquad shelf = head_shelf(), highpass = ear_highpass();
    for (std::size_t i = 0; i < energy.size() * segment; ++i) {
        const double y = biquad_tick(highpass, biquad_tick(shelf, side[i]));
        energy[i / segment] += y * y;
    }
}

double to_lufs(double mean_square) { return -0.691 + 10.0 * std::log10(mean_square); }

}  // namespace

float integrated_loudness(const Stereo &s)
{
    const std::size_t segment = sample_rate / 10;
    std::vector<double> energy(s.l.size() / segment, 0.0);
    add_segment_energy(s.l, energy, segment);
    add_segment_energy(s.r, energy, segment);

    std::vector<double> blocks;  // mean square of each 400 ms block
    for (std::size_t i = 0; i + 4 <= energy.size(); ++i)
        blocks.push_back((energy[i] + energy[i + 1] + energy[i + 2] + energy[i + 3]) / (4.0 * segment));

    auto gated_mean = [&blocks](double gate) {
        double sum = 0.0;
        int count = 0;
        for (double b : blocks)
            if (b > 0.0 && to_lufs(b) > gate) {
                sum += b;
                ++count;
            }
        return count ? sum / count : 0.0;
    };
    const double ungated = gated_mean(absolute_gate);
    if (ungated == 0.0)
        return static_cast<float>(absolute_gate);
    return static_cast<float>(to_lufs(gated_mean(to_lufs(ungated) + relative_gate)));
}
