#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The player's own playback of the soundtrack: decoded once into memory and
// played by sample position on SDL's audio callback, so that it can start at
// any moment of the song to the sample, which the mixer's mp3 seek cannot.
// The demo keeps its own calls; only the player plays this way.
namespace soundtrack {

constexpr int rate = 44100;  // frames a second; the music checker lets no other rate through
constexpr int channels = 2;

// Interleaved stereo samples, frame n at n / rate seconds into the song.
using Samples = std::vector<std::int16_t>;

// Decodes MPEG audio from memory, at most max_seconds of it. Returns why it
// cannot, or an empty string; a frame that is not 44.1 kHz stereo ends it.
std::string decode(const std::uint8_t *bytes, std::size_t size, double max_seconds, Samples &out);

// Opens the audio device and plays samples from it, silent until play_from.
// Returns why it cannot, or an empty string.
std::string open(Samples samples);
void close();
bool is_open();

// Plays on from this moment of the song, counted from now: a device buffer
// filled later starts as much later in the song.
void play_from(double seconds);
void silence();

// Frames of audio in one buffer the device asks for (about 23 ms).
constexpr std::uint16_t buffer_frames = 1024;

}  // namespace soundtrack
