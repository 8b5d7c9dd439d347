#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Where a worker's kept frames go, one frame after another: a pipe to the
// ffmpeg that encodes its range, or the file of raw rgb24 frames, where each
// frame has its own place whichever worker draws it.
namespace capture {

// The full path of a program on PATH, or an empty string.
std::string find_on_path(const char *program);

// Frames go to fd, which the sink takes over.
void open_pipe_sink(int fd);
// Frame n goes to fd at (n - first) frames from its start.
void open_file_sink(int fd, long first);

// False when frame n could not be written, or when a stop request found the
// encoder not reading: then the encoder drops the piece it got. An encoder
// that takes nothing for a minute fails the write.
bool write_frame(long n, const std::uint8_t *rgb, std::size_t size);

// Why a write failed, or an empty string.
std::string sink_failure();

// Ends the stream: an encoder sees the end of its frames.
void close_sink();

}  // namespace capture
