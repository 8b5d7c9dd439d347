#pragma once

#include <string>

// Writes a short sine tone as an mp3 with the given sample rate and channel
// count, encoded by lame. With id3 set the file starts with an ID3v2 tag.
// Returns false when lame is missing or fails.
bool write_tone_mp3(const std::string &path, int sample_rate, int channels, bool id3 = false);

// A whole file as bytes ("" when it cannot be read), and a file made of bytes.
std::string read_bytes(const std::string &path);
void write_bytes(const std::string &path, const std::string &bytes);

// A fresh empty directory under the system's temporary directory, removed
// with what it holds when the test program ends.
std::string make_temp_dir();
