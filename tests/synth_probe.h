// Measurements on rendered samples, for the synthesizer's tests.
#pragma once

#include <cstddef>
#include <vector>

// Frequency from the rising zero crossings (interpolated between samples) of a clean periodic
// signal: the crossings counted, over the time between the first and the last.
double crossing_hz(const std::vector<float> &x);

// Fundamental frequency of a harmonic signal by autocorrelation over x[begin, end): the shortest
// period whose correlation is close to the best, so an octave is not mistaken for the note.
double pitch_hz(const std::vector<float> &x, std::size_t begin, std::size_t end);

// RMS level of x[begin, end) in dB relative to full scale (an RMS of 1); -300 for silence.
double rms_db(const std::vector<float> &x, std::size_t begin, std::size_t end);

std::vector<float> sine_wave(float hz, float amplitude, double seconds);
