#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Where the kept frames go: ffmpeg's standard input, encoding them with the
// soundtrack, or a file of raw rgb24 frames. One at a time.
namespace capture {

struct Video {
    std::string ffmpeg;   // the program, found on PATH
    std::string path;     // written here; renamed into place by the caller
    std::string music;
    int width, height, fps;
    double music_from;    // seconds into the music of the first kept frame
};

// The full path of a program on PATH, or an empty string.
std::string find_on_path(const char *program);

// Why a file cannot be written at path, or an empty string.
std::string unwritable(const std::string &path);

// Both return an error text, or an empty string.
std::string open_video(const Video &video);
std::string open_raw(const std::string &path);

bool write_frame(const std::uint8_t *rgb, std::size_t size);

// Ends the stream; for a video, waits for ffmpeg to finish the file. True
// when every frame was taken and, for a video, ffmpeg ended cleanly.
bool close_sink();

}  // namespace capture
