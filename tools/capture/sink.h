#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "timeline.h"

// Where the kept frames go: ffmpeg's standard input, encoding them with the
// soundtrack, or a file of raw rgb24 frames. One at a time.
namespace capture {

struct Video {
    std::string ffmpeg;   // the programs, found on PATH
    std::string ffprobe;
    std::string path;     // written here, then renamed to target once the video is finished
    std::string target;
    std::string music;    // empty for a video without sound
    int width, height;
    offline::Rate fps;
    double music_from;    // seconds into the music of the first kept frame
    bool master;          // lossless FFV1 + FLAC in Matroska, else H.264 + AAC in mp4
    int crf;
    std::string preset;
};

// The full path of a program on PATH, or an empty string.
std::string find_on_path(const char *program);

// Returns an error text, or an empty string.
std::string open_video(const Video &video);
// Frames go to fd, which the sink takes over.
void open_raw(int fd);

// False when the frame could not be written, or when a stop request found
// the encoder not reading: then the encoder drops the piece it got. An
// encoder that takes nothing for stall_limit_s fails the write.
bool write_frame(const std::uint8_t *rgb, std::size_t size);

// Why a write failed, or an empty string.
std::string sink_failure();

// Ends the stream. A video of the given frames is then finished by ffmpeg,
// checked and put in place (with keep), or removed, by the encoder's keeper;
// this waits for that. True when every frame was taken and, for a video, it
// stands at its target.
bool close_sink(bool keep, long frames);

}  // namespace capture
