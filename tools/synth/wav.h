// 16-bit PCM WAV output, the input lame reads.
#pragma once

#include "dsp.h"

// Rounds to 16 bits, clamping anything outside full scale. Returns false if the file cannot be written.
bool write_wav(const char *path, const Stereo &s);
